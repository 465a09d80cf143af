#include "viewer/ui/TFormVideoPlayer.h"

#include "platform/WindowServices.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"
#include "video/VideoFrameSource.h"
#include "viewer/PlaybackTime.h"

#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include <chrono>
#include <exception>

TFormVideoPlayer::TFormVideoPlayer(PictureDisplay &display, WindowServices &services, PlaybackClock &clock,
    std::function<bool()> loop, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint)
    , m_display(display)
    , m_services(services)
    , m_clock(clock)
    , m_loop(std::move(loop))
{
    setWindowTitle(tr("Lecture"));
    auto newButton = [this](const char *caption) {
        auto *b = new QPushButton(tr(caption), this);
        b->setAutoDefault(false);
        return b;
    };
    ButtonPlay = newButton(QT_TR_NOOP("Lecture"));
    ButtonPause = newButton(QT_TR_NOOP("Pause"));
    ButtonClose = newButton(QT_TR_NOOP("Fermer"));
    SliderPosition = new QSlider(Qt::Horizontal, this);
    SliderPosition->setAccessibleName(tr("Position dans la vidéo"));
    SliderPosition->setEnabled(false);
    LabelTime = new QLabel(QStringLiteral("0:00 / 0:00"), this);
    LabelTime->setAccessibleName(tr("Temps"));
    LabelTime->setMinimumWidth(LabelTime->fontMetrics().horizontalAdvance(QStringLiteral("0:00:00 / 0:00:00")));
    LabelTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *layout = new QGridLayout(this);
    layout->addWidget(SliderPosition, 0, 0, 1, 2);
    layout->addWidget(LabelTime, 0, 2);
    layout->addWidget(ButtonPlay, 1, 0);
    layout->addWidget(ButtonPause, 1, 1);
    layout->addWidget(ButtonClose, 1, 2);
    setMinimumWidth(360);

    NAME_CONTROLS(ButtonPlay, ButtonPause, ButtonClose, SliderPosition, LabelTime);
    new WindowKeys(this);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);

    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TFormVideoPlayer::Tick);
    connect(ButtonPlay, &QPushButton::clicked, this, [this] {
        guarded([this] {
            m_playback->play();
            schedule(m_playback->tick());
        });
    });
    connect(ButtonPause, &QPushButton::clicked, this, [this] {
        m_playback->pause();
        schedule(std::nullopt);
    });
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::hide);
    // Any change of the slider by the user (drag, keys, click) shows that
    // frame; the playback's own moves are made with its signals blocked.
    connect(SliderPosition, &QSlider::valueChanged, this, [this](int value) {
        guarded([this, value] {
            m_playback->seekFrame(value);
            schedule(m_playback->tick());
        });
    });
    updateButtons();
}

TFormVideoPlayer::~TFormVideoPlayer() = default;

void TFormVideoPlayer::PlayVideo(const std::string &fileName)
{
    std::unique_ptr<VideoFrameSource> source;
    try {
        source = OpenVideoFile(fileName);
    } catch (const std::exception &e) {
        m_services.errorBox(e.what());
        return;
    }
    m_timer.stop();
    m_playback.reset();
    m_source = std::move(source);
    m_playback = std::make_unique<VideoPlayback>(*m_source, m_clock, m_display);
    m_playback->loop = m_loop;
    m_playback->onPosition = [this](std::int64_t frame) { showPosition(frame); };
    setWindowTitle(QString::fromStdString(fileName));
    {
        const QSignalBlocker blocker(SliderPosition);
        SliderPosition->setRange(0, int(std::max<std::int64_t>(m_source->frameCount() - 1, 0)));
        SliderPosition->setPageStep(std::max(1, int(m_source->frameRate())));
    }
    showPosition(0);
    show();
    raise();
    guarded([this] {
        m_playback->play();
        schedule(m_playback->tick());
    });
}

void TFormVideoPlayer::Tick()
{
    if (m_playback)
        guarded([this] { schedule(m_playback->tick()); });
}

void TFormVideoPlayer::guarded(const std::function<void()> &step)
{
    if (!m_playback)
        return;
    try {
        step();
    } catch (const std::exception &e) {
        // The playback stopped itself; the frame before stays shown.
        schedule(std::nullopt);
        m_services.errorBox(e.what());
    }
}

void TFormVideoPlayer::schedule(std::optional<VideoPlayback::Duration> next)
{
    if (next && m_playback && m_playback->playing())
        m_timer.start(int(std::chrono::ceil<std::chrono::milliseconds>(*next).count()));
    else
        m_timer.stop();
    updateButtons();
}

void TFormVideoPlayer::showPosition(std::int64_t frame)
{
    {
        const QSignalBlocker blocker(SliderPosition);
        SliderPosition->setValue(int(frame));
    }
    LabelTime->setText(
        QString::fromStdString(PlaybackTimeText(frame, m_playback->frameCount(), m_playback->frameRate())));
}

void TFormVideoPlayer::updateButtons()
{
    const bool loaded = m_playback && m_playback->frameCount() > 0;
    const bool playing = loaded && m_playback->playing();
    ButtonPlay->setEnabled(loaded && !playing);
    ButtonPause->setEnabled(playing);
    SliderPosition->setEnabled(loaded);
}

void TFormVideoPlayer::hideEvent(QHideEvent *event)
{
    // Closed or hidden by the program, not minimised with the main window.
    if (!event->spontaneous()) {
        if (m_playback)
            m_playback->stop();
        schedule(std::nullopt);
    }
    QWidget::hideEvent(event);
}
