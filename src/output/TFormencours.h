#pragma once

#include "output/AviProgress.h"

#include <QTimer>
#include <QWidget>

class MessagePump;
class QLabel;
class QProgressBar;
class QPushButton;

// The small window that stands over the desktop while an AVI file is being
// written: a notice, the frame and the free space, a progress bar and
// "Stop". Created hidden at start-up; only the AVI run shows and hides it,
// and the user cannot close it while it is shown. Its stop request is the
// program's shared one.
class TFormencours : public QWidget, public AviProgress {
    Q_OBJECT
public:
    TFormencours(bool &stopRequested, MessagePump &pump, QWidget *parent = nullptr);

    void showProgress() override { show(); }
    void hideProgress() override { hide(); }
    void startPass(std::int32_t frames) override;
    void frameStarting(std::int32_t indexInPass, const std::string &text) override;

    QLabel *Label1;
    QLabel *LabelProgress;
    QProgressBar *ProgressBar1;
    QPushButton *SpeedButton1;
    QTimer Timer1;

    void SpeedButton1Click();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool &m_stopRequested;
    MessagePump &m_pump;
};
