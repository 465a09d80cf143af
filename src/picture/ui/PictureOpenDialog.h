#pragma once

#include <QFileDialog>
#include <QTimer>

#include <string>

class QLabel;

// The picture-open dialog: Qt's own (non-native) file dialog, so that a
// preview pane can sit beside the file list; it shows a thumbnail of the
// current file and the picture's size. The file types come from the picture
// format registry. The preview decodes a little after the selection settles,
// and skips files too large to decode on the fly.
class PictureOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit PictureOpenDialog(QWidget *parent = nullptr, const QString &title = QString());

    // Runs the dialog; the chosen file, or "" when cancelled.
    static std::string getOpenPictureFileName(QWidget *parent, const std::string &title);

    // Larger files get no preview: decoding them would stall the dialog.
    static constexpr qint64 kMaxPreviewFileBytes = 64 * 1024 * 1024;
    static constexpr int kThumbnailSide = 180;

    QString previewSizeText() const;
    QPixmap previewPixmap() const;

private:
    void schedulePreview(const QString &path);
    void showPreview();

    QLabel *m_thumbnail = nullptr;
    QLabel *m_size = nullptr;
    QTimer m_delay;
    QString m_pending;
};
