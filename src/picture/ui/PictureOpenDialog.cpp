#include "picture/ui/PictureOpenDialog.h"

#include "platform/ui/FileDialogSize.h"

#include "common/Bitmap24.h"
#include "options/JpegOptions.h"
#include "picture/PictureLoader.h"
#include "picture/PictureRegistry.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStringList>
#include <QVBoxLayout>

PictureOpenDialog::PictureOpenDialog(QWidget *parent, const QString &title)
    : QFileDialog(parent, title)
{
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    QStringList filters;
    for (const std::string &filter : PictureRegistry::instance().dialogFilters())
        filters << QString::fromStdString(filter);
    setNameFilters(filters);
    FitFileDialog(*this);

    auto *pane = new QWidget(this);
    auto *column = new QVBoxLayout(pane);
    column->addWidget(new QLabel(QStringLiteral("Aperçu"), pane));
    m_thumbnail = new QLabel(pane);
    m_thumbnail->setFixedSize(kThumbnailSide, kThumbnailSide);
    m_thumbnail->setAlignment(Qt::AlignCenter);
    m_thumbnail->setFrameShape(QFrame::StyledPanel);
    column->addWidget(m_thumbnail);
    m_size = new QLabel(pane);
    m_size->setAlignment(Qt::AlignCenter);
    column->addWidget(m_size);
    column->addStretch();
    if (auto *grid = qobject_cast<QGridLayout *>(layout()))
        grid->addWidget(pane, 0, grid->columnCount(), grid->rowCount(), 1);

    // Waiting for the selection to settle keeps keyboard browsing quick.
    m_delay.setSingleShot(true);
    m_delay.setInterval(120);
    connect(&m_delay, &QTimer::timeout, this, &PictureOpenDialog::showPreview);
    connect(this, &QFileDialog::currentChanged, this, &PictureOpenDialog::schedulePreview);
}

std::string PictureOpenDialog::getOpenPictureFileName(QWidget *parent, const std::string &title)
{
    PictureOpenDialog dialog(parent, QString::fromStdString(title));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

QString PictureOpenDialog::previewSizeText() const
{
    return m_size->text();
}

QPixmap PictureOpenDialog::previewPixmap() const
{
    return m_thumbnail->pixmap();
}

void PictureOpenDialog::schedulePreview(const QString &path)
{
    m_pending = path;
    m_delay.start();
}

void PictureOpenDialog::showPreview()
{
    m_thumbnail->clear();
    m_size->clear();
    const QFileInfo info(m_pending);
    if (!info.isFile())
        return;
    if (info.size() > kMaxPreviewFileBytes) {
        m_size->setText(QStringLiteral("Fichier trop volumineux pour l'aperçu"));
        return;
    }
    Bitmap24 picture;
    // The thumbnail is the dialog's own: decoded at the default JPEG settings.
    if (!LoadPictureFile(m_pending.toStdString(), picture, TJpegOptions {}))
        return;
    // The bitmap's rows are laid out as Qt's BGR888 with a 4-byte stride.
    const QImage view(
        picture.bits(), picture.width(), picture.height(), qsizetype(picture.stride()), QImage::Format_BGR888);
    m_thumbnail->setPixmap(
        QPixmap::fromImage(view.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_size->setText(QStringLiteral("%1 × %2").arg(picture.width()).arg(picture.height()));
}
