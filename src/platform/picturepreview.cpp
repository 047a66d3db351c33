#include "picturepreview.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace platform {

namespace {
// Formats that must be decoded whole are previewed up to this many pixels
// (about 100 MB at 4 bytes a pixel).
constexpr qint64 kMaxWholeDecodePixels = 25'000'000;
} // namespace

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picturePreview"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QImage PicturePreview::LoadPreview(const QString& path, const QSize& bound)
{
    if (path.isEmpty() || !QFileInfo(path).isFile() || bound.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return {};  // without the size up front, the cost cannot be bounded
    const QSize target = size.boundedTo(bound) == size ? size : size.scaled(bound, Qt::KeepAspectRatio);
    if (reader.supportsOption(QImageIOHandler::ScaledSize)) {
        reader.setScaledSize(target.expandedTo(QSize(1, 1)));
    } else if (static_cast<qint64>(size.width()) * size.height() > kMaxWholeDecodePixels) {
        return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > bound.width() || image.height() > bound.height())
        image = image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // A photo's embedded colour profile (Display P3, Adobe RGB): shown in
    // sRGB like the window shows it. A profile Qt cannot read stays unused.
    if (image.colorSpace().isValid() && image.colorSpace() != QColorSpace(QColorSpace::SRgb))
        image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

void PicturePreview::ShowFile(const QString& path)
{
    path_ = path;
    picture_ = LoadPreview(path, Bound());
    update();
}

QSize PicturePreview::sizeHint() const
{
    return {200, 200};
}

QSize PicturePreview::minimumSizeHint() const
{
    return {120, 90};
}

void PicturePreview::paintEvent(QPaintEvent*)
{
    if (picture_.isNull())
        return;
    const QRect area = contentsRect().adjusted(4, 4, -4, -4);
    if (area.isEmpty())
        return;
    // Shrunk to fit, never enlarged, centred.
    const QSize shown = picture_.size().boundedTo(area.size()) == picture_.size()
        ? picture_.size()
        : picture_.size().scaled(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), shown);
    target.moveCenter(area.center());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}

} // namespace platform
