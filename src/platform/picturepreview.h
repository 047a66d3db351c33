#pragma once
// The picture preview pane of the save dialog: shows the picture of the file
// under the selection, turned as its Exif tag says, in sRGB, shrunk to fit
// and keeping its proportions, or nothing when the file is no picture.

#include <QImage>
#include <QWidget>

namespace platform {

class PicturePreview final : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Shows the picture of a file; anything that is not a readable picture
    // (a folder, an empty path, a broken file) shows nothing.
    void ShowFile(const QString& path);

    const QString& FilePath() const { return path_; }
    // The picture shown, at most Bound() in size; null when nothing is shown.
    const QImage& Picture() const { return picture_; }

    // The largest picture kept for the pane.
    static QSize Bound() { return {512, 512}; }

    // Loads a picture no larger than `bound` (proportions kept). Formats that
    // can decode at a reduced size (JPEG) do so; others are refused above a
    // fixed number of pixels, so no file can stall the dialog or take
    // unbounded memory. Null when the file is no readable picture.
    static QImage LoadPreview(const QString& path, const QSize& bound);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString path_;
    QImage picture_;
};

} // namespace platform
