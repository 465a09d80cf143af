#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of every run that writes one file (AVI and the other
// video files; the name is the original program's, from the days it served
// AVI runs only): a notice, the frame and the free space, a progress bar and
// "Stop". Created hidden at start-up; only such runs show and hide it, and
// the user cannot close it while it is shown. Its stop request is the
// program's shared one.
class TFormencours : public QWidget {
    Q_OBJECT
public:
    explicit TFormencours(bool &stopRequested, QWidget *parent = nullptr);

    void showProgress() { show(); }
    void hideProgress() { hide(); }
    // At the start of each pass: the number of frames the pass will write.
    void startPass(std::int32_t frames);
    // Before each frame: its index within the pass and the progress text.
    void frameStarting(std::int32_t indexInPass, const std::string &text);

    QLabel *Label1;
    QLabel *LabelProgress;
    QProgressBar *ProgressBar1;
    QPushButton *SpeedButton1;

    void SpeedButton1Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool &m_stopRequested;
};
