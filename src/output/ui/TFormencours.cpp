#include "output/ui/TFormencours.h"

#include "platform/MessageLanguage.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

TFormencours::TFormencours(bool &stopRequested, QWidget *parent, TimeLeft::Clock clock)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_stopRequested(stopRequested)
    , m_timeLeft(std::move(clock))
{
    setWindowTitle(tr("Enregistrement en cours..."));
    setFixedSize(380, 175);
    move(639, 215);
    QFont windowFont = font();
    windowFont.setPixelSize(11);
    setFont(windowFont);
    setAutoFillBackground(true);
    QPalette teal = palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    teal.setColor(QPalette::WindowText, Qt::white);
    setPalette(teal);

    QFont labelFont = windowFont;
    labelFont.setPixelSize(13);
    Label1 = new QLabel(tr("Patientez ... La compression peut être longue ..."), this);
    LabelProgress = new QLabel(QStringLiteral("LabelProgress"), this);
    LabelTimeLeft = new QLabel(InterfaceText(m_timeLeft.text()), this);
    for (QLabel *label : { Label1, LabelProgress, LabelTimeLeft }) {
        label->setFont(labelFont);
        label->setTextFormat(Qt::PlainText);
    }
    Label1->setGeometry(16, 12, 348, 24);
    LabelProgress->setGeometry(16, 44, 348, 24);
    LabelTimeLeft->setGeometry(16, 130, 348, 24);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(16, 84, 280, 20);
    SpeedButton1 = new QPushButton(QStringLiteral("Stop"), this);
    SpeedButton1->setGeometry(312, 70, 49, 49);
    SpeedButton1->setAutoDefault(false);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFormencours::SpeedButton1Click);
    NAME_CONTROLS(Label1, LabelProgress, LabelTimeLeft, ProgressBar1, SpeedButton1);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
}

void TFormencours::startRun(std::int64_t totalFrames)
{
    m_runTotalKnown = true;
    m_passStart = 0;
    m_passFrames = 0;
    m_timeLeft.start(totalFrames);
    showTimeLeft();
}

void TFormencours::startPass(std::int32_t frames)
{
    frames = std::max<std::int32_t>(frames, 0);
    if (m_runTotalKnown) {
        m_passStart += m_passFrames;
    } else {
        m_passStart = 0;
        m_timeLeft.start(frames);
    }
    m_passFrames = frames;
    showTimeLeft();
    // A pass without frames shows an empty bar; a count below zero (a frame
    // larger than the panorama) is a pass without frames too.
    ProgressBar1->setMaximum(frames);
    ProgressBar1->setMinimum(0);
    ProgressBar1->setValue(0);
}

void TFormencours::frameStarting(std::int32_t indexInPass, const std::string &text)
{
    ProgressBar1->setValue(indexInPass);
    LabelProgress->setText(InterfaceText(text));
    m_timeLeft.framesDone(m_passStart + indexInPass);
    showTimeLeft();
}

void TFormencours::showTimeLeft()
{
    // The text moves by whole seconds: translated only when it changes.
    std::string text = m_timeLeft.text();
    if (text == m_timeLeftText)
        return;
    m_timeLeftText = std::move(text);
    LabelTimeLeft->setText(InterfaceText(m_timeLeftText));
}

void TFormencours::SpeedButton1Click()
{
    m_stopRequested = true;
}

void TFormencours::closeEvent(QCloseEvent *event)
{
    // Only the run hides the window.
    event->ignore();
}
