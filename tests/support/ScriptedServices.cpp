#include "ScriptedServices.h"

#include "video/AviCompression.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

const char *toString(ScriptedServices::Kind kind)
{
    switch (kind) {
    case ScriptedServices::Kind::MessageBox:
        return "message box";
    case ScriptedServices::Kind::ErrorBox:
        return "error box";
    case ScriptedServices::Kind::ErrorMessage:
        return "error message";
    case ScriptedServices::Kind::InputBox:
        return "input box";
    case ScriptedServices::Kind::InputQuery:
        return "input query";
    case ScriptedServices::Kind::OpenPicture:
        return "open-picture dialog";
    case ScriptedServices::Kind::SavePicture:
        return "save-picture dialog";
    case ScriptedServices::Kind::ChooseFolder:
        return "folder dialog";
    case ScriptedServices::Kind::AskOverwrite:
        return "overwrite dialog";
    case ScriptedServices::Kind::AviSaveOptions:
        return "compression dialog";
    }
    return "?";
}

ScriptedServices::~ScriptedServices()
{
    EXPECT_TRUE(m_cursors.empty()) << m_cursors.size() << " busy cursor(s) never taken back";
    EXPECT_TRUE(m_answers.empty()) << m_answers.size() << " scripted answer(s) never asked for, the first for a "
                                   << (m_answers.empty() ? "" : toString(m_answers.front().kind));
}

std::optional<ScriptedServices::Answer> ScriptedServices::take(
    Kind kind, const std::string &text, const std::string &caption)
{
    m_asked.push_back({ kind, text, caption });
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected " << toString(kind) << ": \"" << caption << "\" / \"" << text << '"';
        return std::nullopt;
    }
    Answer answer = m_answers.front();
    m_answers.pop_front();
    if (answer.kind != kind) {
        ADD_FAILURE() << "expected a " << toString(answer.kind) << " but got a " << toString(kind) << ": \"" << caption
                      << "\" / \"" << text << '"';
        return std::nullopt;
    }
    return answer;
}

int ScriptedServices::messageBox(const std::string &text, const std::string &caption, Buttons buttons)
{
    const auto answer = take(Kind::MessageBox, text, caption);
    if (buttons == Buttons::Ok) {
        if (answer && answer->result != IdCancel) {
            EXPECT_EQ(answer->result, IdOk) << "an OK box can only answer OK";
        }
        return IdOk;
    }
    if (!answer)
        return IdCancel;
    EXPECT_TRUE(answer->result == IdYes || answer->result == IdNo || answer->result == IdCancel)
        << "a Yes/No box answers Yes, No or closed, not " << answer->result;
    return answer->result;
}

void ScriptedServices::errorBox(const std::string &text)
{
    take(Kind::ErrorBox, errorBoxText(text), {});
}

void ScriptedServices::errorMessage(const std::string &text)
{
    take(Kind::ErrorMessage, text, {});
}

std::string ScriptedServices::inputBox(
    const std::string &caption, const std::string &prompt, const std::string &defaultText)
{
    const auto answer = take(Kind::InputBox, prompt, caption);
    if (!answer || answer->result != IdOk)
        return defaultText;
    return answer->text;
}

bool ScriptedServices::inputQuery(const std::string &caption, const std::string &prompt, std::string &text)
{
    const auto answer = take(Kind::InputQuery, prompt, caption);
    if (!answer || answer->result != IdOk)
        return false;
    text = answer->text;
    return true;
}

void ScriptedServices::popCursor()
{
    if (m_cursors.empty())
        ADD_FAILURE() << "a busy cursor taken back that was never shown";
    else
        m_cursors.pop_back();
}

void ScriptedServices::processMessages()
{
    ++m_processCalls;
    if (onProcessMessages)
        onProcessMessages();
}

std::string ScriptedServices::openPictureFile(const std::string &title, const std::string &filter)
{
    const auto answer = take(Kind::OpenPicture, filter, title);
    return answer ? answer->text : std::string();
}

std::string ScriptedServices::savePictureFile(
    const std::string &title, const std::string &filter, std::string &selectedFilter)
{
    m_firstSaveFilter = selectedFilter;
    const auto answer = take(Kind::SavePicture, filter, title);
    if (!answer)
        return {};
    if (!answer->choice.empty()) {
        EXPECT_NE((";;" + filter + ";;").find(";;" + answer->choice + ";;"), std::string::npos)
            << "the dialog offers no filter \"" << answer->choice << '"';
        selectedFilter = answer->choice;
    }
    return answer->text;
}

std::optional<std::string> ScriptedServices::browseForFolder(const FolderBrowseRequest &request)
{
    const auto answer = take(Kind::ChooseFolder, request.path, request.title);
    if (!answer || answer->result != IdOk)
        return std::nullopt;
    return answer->text;
}

int ScriptedServices::askOverwrite(const std::string &fileName, const std::string &caption)
{
    const auto answer = take(Kind::AskOverwrite, fileName, caption);
    return answer ? answer->result : OverwriteClosed;
}

bool ScriptedServices::aviSaveOptions(AviCompression &options)
{
    const auto answer
        = take(Kind::AviSaveOptions, options.compressor ? fourccBytes(options.compressor) : std::string(), {});
    if (!answer || answer->result != IdOk)
        return false;
    options.compressor = fourccFromText(answer->text);
    return true;
}
