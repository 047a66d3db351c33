#pragma once
// The picture preview pane of the save dialog: shows the picture of the file
// under the selection, turned as its Exif tag says, in sRGB, shrunk to fit and keeping its proportions, or nothing
// when the file is no picture. The picture is loaded by a loader handed in
// (the program's own, with its limits), on a worker thread: the dialog never
// waits for it, and a load that ends after the selection has moved on is
// dropped.

#include <QImage>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

namespace yotsumado {

namespace platform {

class PicturePreview final : public QWidget {
    Q_OBJECT
public:
    // Gives the picture of a file no larger than the size given, or null.
    // Runs on a worker thread. `cancelled` is set once the pane no longer
    // wants the picture (another file shown, the pane gone): the loader then
    // ends as soon as it can.
    using Loader = std::function<QImage(const QString& path, QSize bound, const std::atomic<bool>& cancelled)>;

    explicit PicturePreview(QWidget* parent = nullptr);
    ~PicturePreview() override;

    void SetLoader(Loader loader) { loader_ = std::move(loader); }

    // Shows the picture of a file once it has loaded; until then, and for
    // anything that is not a picture the loader takes (a folder, an empty
    // path, a broken file), nothing. Returns at once.
    void ShowFile(const QString& path);

    const QString& FilePath() const { return path_; }
    // The picture shown, at most Bound() in size; null when nothing is shown.
    const QImage& Picture() const { return picture_; }
    // True while the load for FilePath() has not ended.
    bool Loading() const { return loading_; }

    // The largest picture kept for the pane.
    static QSize Bound() { return {512, 512}; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The load for FilePath() has ended (Picture() is its result).
    void Loaded();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Deliver(quint64 generation, const QImage& picture);

    Loader loader_;
    QString path_;
    QImage picture_;
    bool loading_ = false;
    // The number of the latest request; a worker whose number is older
    // skips its work or has its result dropped.
    std::shared_ptr<std::atomic<quint64>> latest_;
    // Set to stop the latest request's load.
    std::shared_ptr<std::atomic<bool>> cancel_;
};

} // namespace platform

} // namespace yotsumado
