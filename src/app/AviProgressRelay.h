#pragma once

#include "output/AviProgress.h"

#include <QObject>
#include <QString>

// The AVI run's progress as signals: the main window does not know the
// progress window; the program's start connects the two.
class AviProgressRelay : public QObject, public AviProgress {
    Q_OBJECT
public:
    using QObject::QObject;

    void showProgress() override { emit shown(); }
    void hideProgress() override { emit hidden(); }
    void startPass(std::int32_t frames) override { emit passStarted(frames); }
    void frameStarting(std::int32_t indexInPass, const std::string &text) override
    {
        emit frameStarted(indexInPass, QString::fromStdString(text));
    }

signals:
    void shown();
    void hidden();
    void passStarted(int frames);
    void frameStarted(int indexInPass, const QString &text);
};
