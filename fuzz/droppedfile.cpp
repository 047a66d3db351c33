#include "droppedfile.h"

#include "codec/colorprofile.h"
#include "codec/memorybudget.h"
#include "codec/pictureloader.h"
#include "core/error.h"
#include "core/stretch.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace yotsumado;

namespace {

QTemporaryDir* Folder()
{
    // Memory-backed where the system has it: every input is one file write.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/yotsumado-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/yotsumado-fuzz-XXXXXX"));
    return &folder;
}

// The fuzzer looks for faults of structure; the time a large but allowed
// picture takes (a 1 KB bitmap may rightly declare 16384 x 16384) would only
// hide them behind timeouts. The program's own bound is the budget tests'
// part: here a picture may take what about 20 megapixels take.
constexpr qint64 kFuzzBudget = qint64(64) << 20;

} // namespace

void InitDroppedFileFuzzing(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app(new QGuiApplication(*argc, *argv));
    if (!Folder()->isValid())
        std::abort();
}

int LoadAsDroppedFile(const std::uint8_t* data, std::size_t size, const char* extension)
{
    const QString path = Folder()->filePath(QStringLiteral("dropped") + QLatin1String(extension));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        if (file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    try {
        MemoryBudget budget(kFuzzBudget);
        BudgetShare share(budget);
        TDisplayPicture picture = LoadPictureForDisplay(path, share);
        // What the panel is given must be a real picture in the stated format.
        const QImage::Format format = picture.pixels.format();
        if (picture.pixels.isNull() || (format != QImage::Format_RGB888 && format != QImage::Format_Grayscale8))
            std::abort();
        // The panel draws it stretched, through its colour profile if any.
        if (picture.colour) {
            QImage shown = StretchNearest(picture.pixels, QSize(61, 47));
            picture.colour->ConvertImage(shown);
        }
    } catch (const Exception&) {
        // The error box's case: expected for bad input.
    }
    return 0;
}
