#include "picture/ui/PictureOpenDialog.h"
#include "options/JpegImage.h"
#include "picture/PictureRegistry.h"

#include "TestUtils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

// Runs the event loop until the preview shows text, or two seconds pass.
QString waitForPreviewText(const PictureOpenDialog &dialog)
{
    QElapsedTimer timer;
    timer.start();
    while (dialog.previewSizeText().isEmpty() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return dialog.previewSizeText();
}

TEST(PictureOpenDialog, OffersTheRegisteredFileTypes)
{
    PictureOpenDialog dialog(nullptr, "Ouvrir Image");
    EXPECT_EQ(dialog.windowTitle(), "Ouvrir Image");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    // Room for the columns of the detail view beside the preview.
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_EQ(dialog.minimumSize(), QSize(900, 560).boundedTo(screen));
    const QStringList filters = dialog.nameFilters();
    const auto expected = PictureRegistry::instance().dialogFilters();
    ASSERT_EQ(filters.size(), qsizetype(expected.size()));
    for (qsizetype i = 0; i < filters.size(); ++i)
        EXPECT_EQ(filters[i].toStdString(), expected[std::size_t(i)]);
    EXPECT_TRUE(filters.first().startsWith("Tous (*.gif *.png"));
    EXPECT_EQ(filters[1], "GIF Image (*.gif)");
    EXPECT_EQ(filters.last(), QString::fromUtf8("Métafichiers (*.wmf)"));
}

TEST(PictureOpenDialog, PreviewShowsThumbnailAndSizeOfTheCurrentFile)
{
    TempDir dir;
    writeFileBytes(dir / "pano.jpg", TJPEGImage().compress(makeTestPanorama(640, 120)));
    PictureOpenDialog dialog;
    dialog.setDirectory(QString::fromStdString(dir.str()));

    emit dialog.currentChanged(QString::fromStdString((dir / "pano.jpg").string()));
    EXPECT_EQ(waitForPreviewText(dialog), QString::fromUtf8("640 × 120"));
    const QPixmap thumbnail = dialog.previewPixmap();
    ASSERT_FALSE(thumbnail.isNull());
    EXPECT_EQ(thumbnail.width(), PictureOpenDialog::kThumbnailSide);
    EXPECT_EQ(thumbnail.height(), PictureOpenDialog::kThumbnailSide * 120 / 640);

    // A file that does not decode clears the preview.
    writeFileBytes(dir / "broken.jpg", std::vector<std::uint8_t>(50, 7));
    emit dialog.currentChanged(QString::fromStdString((dir / "broken.jpg").string()));
    QElapsedTimer timer;
    timer.start();
    while (!dialog.previewPixmap().isNull() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(dialog.previewPixmap().isNull());
    EXPECT_TRUE(dialog.previewSizeText().isEmpty());
}

} // namespace
