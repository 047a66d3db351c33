// Helper of the codec tests: loads one picture in a process of its own and
// reports what that cost, so that a test can bound a load's peak memory.
// Usage: loadpeak FILE RRGGBB  -> prints "<width> <height> <uniform> <peak KiB>"
// where uniform is 1 when every pixel has the colour RRGGBB.

#include "codec/pictureloader.h"
#include "core/error.h"

#include <QGuiApplication>

#include <cstdio>

#include <sys/resource.h>

using namespace yotsumado;

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const unsigned colour = unsigned(QByteArray(argv[2]).toUInt(nullptr, 16));
    const uchar want[3] = {uchar(colour >> 16), uchar(colour >> 8), uchar(colour)};
    try {
        const QImage image = LoadPicture(QString::fromLocal8Bit(argv[1]));
        int uniform = image.format() == QImage::Format_RGB888 ? 1 : 0;
        for (int y = 0; y < image.height() && uniform; ++y) {
            const uchar* row = image.constScanLine(y);
            for (int x = 0; x < image.width() * 3 && uniform; ++x) {
                uniform = row[x] == want[x % 3] ? 1 : 0;
                if (!uniform)
                    std::fprintf(stderr, "pixel (%d, %d) is %02x%02x%02x\n", x / 3, y, row[x - x % 3],
                                 row[x - x % 3 + 1], row[x - x % 3 + 2]);
            }
        }
        struct rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%d %d %d %ld\n", image.width(), image.height(), uniform, usage.ru_maxrss);
    } catch (const Exception& e) {
        std::printf("error %s\n", e.what());
        return 1;
    }
    return 0;
}
