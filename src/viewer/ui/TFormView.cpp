#include "viewer/ui/TFormView.h"

#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "anim/SettingsPanel.h"
#include "common/TextFormat.h"
#include "picture/PictureLoader.h"
#include "picture/PictureRegistry.h"
#include "platform/WindowServices.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"
#include "viewer/SequenceFiles.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

bool isPress(const QEvent *event)
{
    return event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
}

} // namespace

TFormView::TFormView(PictureDisplay &display, RunContext &run, WindowServices &services,
    const TJpegOptions &jpegOptions, const SettingsPanel &panel, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_display(display)
    , m_run(run)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_panel(panel)
{
    setWindowTitle(u8("Vérifier l'animation")); // until a series is listed: then its folder
    auto newButton = [this](const char *caption) {
        auto *b = new QPushButton(u8(caption), this);
        b->setAutoDefault(false);
        return b;
    };
    SpeedButtonOpen = newButton("Ouvrir");
    SpeedButtonPlay = newButton("Jouer");
    SpeedButtonStop = newButton("Stop");
    SpeedButtonClose = newButton("Fermer");
    CheckBoxBoucle = new QCheckBox(u8("Jouer en Boucle"), this);
    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setAccessibleName(u8("Images de la série"));

    auto *buttons = new QGridLayout;
    buttons->addWidget(SpeedButtonOpen, 0, 0);
    buttons->addWidget(SpeedButtonPlay, 0, 1);
    buttons->addWidget(SpeedButtonStop, 1, 0);
    buttons->addWidget(SpeedButtonClose, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(CheckBoxBoucle);
    layout->addWidget(ListBox1, 1);
    setFixedSize(258, 382);

    NAME_CONTROLS(SpeedButtonOpen, SpeedButtonPlay, SpeedButtonStop, SpeedButtonClose, CheckBoxBoucle, ListBox1);
    new WindowKeys(this);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);

    connect(SpeedButtonOpen, &QPushButton::clicked, this, [this] {
        m_run.StopRequested = true;
        OpenSequence();
    });
    connect(SpeedButtonStop, &QPushButton::clicked, this, [this] { m_run.StopRequested = true; });
    connect(SpeedButtonClose, &QPushButton::clicked, this, &QWidget::hide);
    // "Jouer" acts on the press of any mouse button (the filter takes it); a
    // click without the mouse (keyboard, accessibility) counts as the left one.
    SpeedButtonPlay->installEventFilter(this);
    connect(SpeedButtonPlay, &QPushButton::clicked, this, [this] { SpeedButtonPlayMouseDown(Qt::LeftButton); });
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->installEventFilter(this);
}

bool TFormView::eventFilter(QObject *watched, QEvent *event)
{
    if (isPress(event)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched == SpeedButtonPlay) {
            SpeedButtonPlayMouseDown(mouse->buttons() | mouse->button());
            return true;
        }
        if (watched == ListBox1->viewport()) {
            ListBox1MouseDown(mouse->position().toPoint());
            return true;
        }
    }
    // Without a mouse: the menu key on "Jouer" asks where to start, as the
    // right button does; Space or Enter in the list shows the chosen frame.
    if (watched == SpeedButtonPlay && event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        SpeedButtonPlayMouseDown(Qt::RightButton);
        return true;
    }
    if (watched == ListBox1 && event->type() == QEvent::KeyPress && ListBox1->currentItem()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            ListBox1MouseDown(ListBox1->visualItemRect(ListBox1->currentItem()).center());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormView::OpenSequence()
{
    const std::string file = m_services.openPictureFile("Ouvrir Image", PictureRegistry::instance().dialogFilter());
    if (file.empty())
        return;
    ShowSequence(file, m_panel.state().RadioGroupFormat);
}

void TFormView::ShowSequence(const std::string &anyFrame, std::int32_t format)
{
    const SequenceMask series = MakeSequenceMask(anyFrame, format);
    m_viewDir = series.Folder;
    setWindowTitle(QString::fromStdString(series.Folder));
    ListBox1->clear();
    for (const std::string &name : ListSequence(series.Folder, series.Mask)) {
        auto *item = new QListWidgetItem(QString::fromStdString(name), ListBox1);
        // The name as the file system gave it, whatever its encoding.
        item->setData(Qt::UserRole, QByteArray::fromStdString(name));
    }
    show();
    raise();
    PlayFrom(0);
}

void TFormView::PlayFrom(int start)
{
    m_run.StopRequested = false;
    int i = start;
    // The count is read again at every step: a playback started inside this
    // one may have listed another series.
    while (!m_run.StopRequested && i < ListBox1->count()) {
        if (i < 0) {
            m_run.StopRequested = true; // no such item
            break;
        }
        try {
            showItem(i);
            ListBox1->setCurrentRow(i);
            ListBox1->scrollToItem(ListBox1->item(i));
            m_run.WaitTempo(m_run.Tempo);
            if (++i >= ListBox1->count() && CheckBoxBoucle->isChecked())
                i = 0;
            m_services.processMessages();
        } catch (...) {
            // A failed step ends the playback quietly.
            m_run.StopRequested = true;
        }
    }
}

void TFormView::SpeedButtonPlayMouseDown(Qt::MouseButtons buttons)
{
    m_run.StopRequested = true;
    int start = 0;
    if (!(buttons & Qt::LeftButton)) {
        // Cancel gives back the shown text: playback starts from the selection.
        const std::string answer = m_services.inputBox("Jouer", "A partir de:", std::to_string(selectedIndex()));
        start = parseInt32(answer).value_or(0);
    }
    m_services.processMessages();
    PlayFrom(start);
}

void TFormView::ListBox1MouseDown(const QPoint &pos)
{
    m_run.StopRequested = true;
    if (ListBox1->count() == 0)
        return;
    const QListWidgetItem *under = ListBox1->itemAt(pos);
    const int row = under ? ListBox1->row(under) : ListBox1->count() - 1;
    ListBox1->setCurrentRow(row);
    showItem(row);
}

void TFormView::showItem(int index)
{
    const std::string name = ListBox1->item(index)->data(Qt::UserRole).toByteArray().toStdString();
    // A frame that cannot be read leaves the previous picture on screen.
    LoadPicture(m_display.DisplayBitmap(), m_viewDir + name, m_services, m_jpegOptions);
    m_display.RepaintNow();
}

int TFormView::selectedIndex() const
{
    const QList<QListWidgetItem *> selected = ListBox1->selectedItems();
    return selected.isEmpty() ? -1 : ListBox1->row(selected.front());
}
