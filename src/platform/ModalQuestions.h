#pragma once

#include <string>

struct AviCompression;

// The modal questions and messages the program's logic asks. Texts are UTF-8.
// The program answers them with Qt dialogs, the tests from a script.
class ModalQuestions {
public:
    enum Result { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };
    // Modal results of the overwrite dialog.
    enum OverwriteAnswer {
        OverwriteYes = 6,
        OverwriteNo = 7,
        OverwriteStop = 9,
        OverwriteYesToAll = 10,
        OverwriteClosed = 2
    };
    enum class Buttons { Ok, YesNo };

    virtual ~ModalQuestions() = default;

    // Modal message box: IdOk for an OK box; a Yes/No box gives IdYes, IdNo,
    // or IdCancel for Escape and the close box, which the caller takes as
    // "do nothing" (never as a yes or a no that could replace or delete).
    virtual int messageBox(const std::string &text, const std::string &caption, Buttons buttons) = 0;
    // Default box for an error no handler caught: application title as
    // caption, error icon, OK. The full stop is added here (see errorBoxText).
    virtual void errorBox(const std::string &text) = 0;
    // Modal error-style message with an OK button.
    virtual void errorMessage(const std::string &text) = 0;
    // Modal one-line input; cancel returns defaultText unchanged.
    virtual std::string inputBox(const std::string &caption, const std::string &prompt, const std::string &defaultText)
        = 0;
    // Modal one-line input; false (text unchanged) on cancel.
    virtual bool inputQuery(const std::string &caption, const std::string &prompt, std::string &text) = 0;
    // The per-file overwrite dialog: returns one of OverwriteAnswer;
    // Escape and the close box give OverwriteClosed.
    virtual int askOverwrite(const std::string &fileName, const std::string &caption) = 0;
    // The compression dialog of an AVI run, pre-set from options: true when
    // confirmed, the options then holding the choice made.
    virtual bool aviSaveOptions(AviCompression &options) = 0;
};

// The text of the default error box: a full stop is added when the text's
// first line is not empty and its last character sorts after '.' (a letter,
// a digit, ':' or '?', but not '!', ')' or '.'). Lines after the first (the
// cause of a failure) are shown unchanged.
std::string errorBoxText(const std::string &text);
