#include "platform/desktop/picturepreview.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>

namespace yotsumado {

namespace platform {

namespace {

// The preview's own workers: two, so that a load stuck on a huge picture
// never keeps the next selection's load waiting, whatever the machine.
QThreadPool& PreviewWorkers()
{
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(2);
        return true;
    }();
    Q_UNUSED(sized);
    return pool;
}

} // namespace

PicturePreview::PicturePreview(QWidget* parent)
    : QWidget(parent), latest_(std::make_shared<std::atomic<quint64>>(0))
{
    setObjectName(QStringLiteral("picturePreview"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

PicturePreview::~PicturePreview()
{
    // Loads still running end without effect, and soon: the pool is waited
    // for when the program ends, which must never wait for a hostile file.
    latest_->fetch_add(1);
    if (cancel_)
        cancel_->store(true);
}

void PicturePreview::ShowFile(const QString& path)
{
    const quint64 generation = latest_->fetch_add(1) + 1;
    // The load of the file before, if it still runs, is of no more use.
    if (cancel_)
        cancel_->store(true);
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    path_ = path;
    picture_ = QImage();
    update();
    if (!loader_ || path.isEmpty() || !QFileInfo(path).isFile()) {
        loading_ = false;
        emit Loaded();
        return;
    }
    loading_ = true;
    QPointer<PicturePreview> self(this);
    PreviewWorkers().start([self, loader = loader_, latest = latest_, cancel = cancel_, generation, path] {
        QImage picture;
        // A request overtaken before its turn came is not worked on at all.
        if (latest->load() == generation)
            picture = loader(path, Bound(), *cancel);
        if (latest->load() != generation)
            return;
        // Delivered on the pane's thread; `self` is only read there.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, generation, picture] {
                if (self)
                    self->Deliver(generation, picture);
            },
            Qt::QueuedConnection);
    });
}

void PicturePreview::Deliver(quint64 generation, const QImage& picture)
{
    if (generation != latest_->load())
        return;
    loading_ = false;
    if (!picture.isNull() && (picture.width() > Bound().width() || picture.height() > Bound().height()))
        picture_ = picture.scaled(Bound(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    else
        picture_ = picture;
    update();
    emit Loaded();
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

} // namespace yotsumado
