#include "app/ui/PanoramaPreview.h"

#include "anim/FramePath.h"
#include "anim/RunContext.h"
#include "app/RunLengthText.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "common/Bitmap24.h"
#include "platform/MessageLanguage.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <optional>

namespace {

// A window not laid out yet still gets a preview it can scale.
const QSize kSmallestPreview(480, 270);

// The bitmap's rows are Qt's BGR888 with their stride; the copy outlives the
// preview's next frame.
QImage ToImage(const Bitmap24 &frame)
{
    if (frame.isEmpty())
        return {};
    return QImage(frame.bits(), frame.width(), frame.height(), qsizetype(frame.stride()), QImage::Format_BGR888).copy();
}

} // namespace

PanoramaPreview::PanoramaPreview(QMainWindow &window, PictureView &view, CommandPanel &panel, const Bitmap24 &panorama,
    const RunContext &run, const TAviOptions &avi, const TVideoOptions &video)
    : QObject(&window)
    , m_view(view)
    , m_panel(panel)
    , m_panorama(panorama)
    , m_run(run)
    , m_avi(avi)
    , m_video(video)
{
    addViewMenu(window);
    connect(&panel, &CommandPanel::settingsChanged, this, &PanoramaPreview::refresh);
    // Connected after the window's own handler: the pause is the new one.
    for (const char *name : { "Menu_OptionsTempo", "PopupMenu_Tempo" })
        if (auto *tempo = window.findChild<QAction *>(QString::fromLatin1(name)))
            connect(tempo, &QAction::triggered, this, &PanoramaPreview::refresh);
    refresh();
}

void PanoramaPreview::addViewMenu(QMainWindow &window)
{
    auto *menu = new QMenu(tr("Affichage"), &window);
    menu->setObjectName(QStringLiteral("Menu_View"));
    struct Entry {
        const char *name;
        const char *caption;
        QList<QKeySequence> keys;
        void (PictureView::*command)();
    };
    const Entry entries[] = {
        { "Menu_ViewZoomIn", QT_TR_NOOP("Zoom avant"),
            { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) }, &PictureView::ZoomIn },
        { "Menu_ViewZoomOut", QT_TR_NOOP("Zoom arrière"), { QKeySequence(Qt::CTRL | Qt::Key_Minus) },
            &PictureView::ZoomOut },
        { "Menu_ViewActualSize", QT_TR_NOOP("Taille réelle"), { QKeySequence(Qt::CTRL | Qt::Key_0) },
            &PictureView::ActualSize },
        { "Menu_ViewFit", QT_TR_NOOP("Ajuster à la fenêtre"), { QKeySequence(Qt::CTRL | Qt::Key_9) },
            &PictureView::FitToWindow },
    };
    for (const Entry &e : entries) {
        QAction *action = menu->addAction(tr(e.caption));
        action->setObjectName(QString::fromLatin1(e.name));
        action->setShortcuts(e.keys);
        connect(action, &QAction::triggered, &m_view, e.command);
    }
    // Between "Animation" and "Options", found by its commands: its title
    // changes with the language and its mnemonic.
    QMenuBar *bar = window.menuBar();
    QAction *before = nullptr;
    for (QAction *a : bar->actions())
        if (a->menu()
            && a->menu()->findChild<QAction *>(QStringLiteral("Menu_OptionsJpeg"), Qt::FindDirectChildrenOnly))
            before = a;
    bar->insertMenu(before, menu);
}

void PanoramaPreview::refreshWhenHidden(QWidget &window)
{
    window.installEventFilter(this);
}

bool PanoramaPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide)
        refresh();
    return QObject::eventFilter(watched, event);
}

void PanoramaPreview::refresh()
{
    const SettingsPanel &rules = m_panel.Rules();
    const std::optional<tanimprm> settings = m_panorama.isEmpty() ? std::nullopt : rules.FrameSettings();
    if (!settings) {
        m_view.setFramePath({});
        m_view.setViewFrame({});
        m_panel.LabelRunLength->clear();
        return;
    }
    const RunPlan plan = PrepareFrames(*settings, m_panorama.width(), m_panorama.height());
    if (plan.sphere) {
        const TRect &area = m_view.DrawArea();
        const Bitmap24 &frame = m_viewFrame.render(m_panorama, m_view.ReducedCopies(), plan,
            std::max(kSmallestPreview.width(), area.Right - area.Left + 1),
            std::max(kSmallestPreview.height(), area.Bottom - area.Top + 1));
        m_view.setFramePath({});
        m_view.setViewFrame(ToImage(frame));
    } else {
        m_view.setViewFrame({});
        m_view.setFramePath(OutlinePath(FramePath(plan), plan));
    }
    const std::optional<double> rate
        = PreviewRate(settings->Camera, rules.state().RadioGroupFormat, m_avi, m_video, m_run.Tempo);
    m_panel.LabelRunLength->setText(InterfaceText(RunLengthText(plan.total(), rate)));
}
