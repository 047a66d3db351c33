// Loads a picture with LoadPicture a number of times and prints the best time.
// Usage: bench_load FILE [RUNS] [--display]   (RUNS: default 5)
// --display times what the window does with a dropped picture instead: load
// it for display (LoadPictureForDisplay) and make the 240 x 180 panel's
// pixels, colour conversion included.
// --reduced times a JPEG decoded at the library's smallest scale, 1/8, as the
// smooth mode and the save dialog's preview decode pictures
// (DecodeJpegReduced).
// Output: one line "best_seconds=S best_cpu_seconds=C width=W height=H runs=N
// passed_over=B": the shortest wall time and the shortest processor time of
// one load, and the bytes of progressive scans a reduced decode left unread.

#include "codec/colorprofile.h"
#include "codec/jpegdecoder.h"
#include "codec/pictureloader.h"
#include "core/error.h"
#include "core/stretch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <ctime>
#include <limits>

using namespace yotsumado;

namespace {

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_load FILE [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? qMax(1, args[2].toInt()) : 5;
    const bool display = args.contains(QStringLiteral("--display"));
    const bool reduced = args.contains(QStringLiteral("--reduced"));
    double best = std::numeric_limits<double>::max();
    double bestCpu = best;
    QSize size;
    try {
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            const double cpuStart = CpuSeconds();
            timer.start();
            QImage image;
            if (reduced) {
                QFile file(args[1]);
                if (!file.open(QIODevice::ReadOnly))
                    throw EFOpenError(args[1]);
                image = DecodeJpegReduced(file, QSize(1, 1));
            } else if (display) {
                TDisplayPicture picture = LoadPictureForDisplay(args[1]);
                QImage shown = StretchNearest(picture.pixels, QSize(240, 180));
                if (picture.colour)
                    picture.colour->ConvertImage(shown);
                image = std::move(picture.pixels);
            } else {
                image = LoadPicture(args[1]);
            }
            const double seconds = double(timer.nsecsElapsed()) / 1e9;
            const double cpu = CpuSeconds() - cpuStart;
            size = image.size();
            best = qMin(best, seconds);
            bestCpu = qMin(bestCpu, cpu);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "bench_load: %s\n", e.Message().toLocal8Bit().constData());
        return 1;
    }
    std::printf("best_seconds=%.6f best_cpu_seconds=%.6f width=%d height=%d runs=%d passed_over=%lld\n", best, bestCpu,
                size.width(), size.height(), runs, static_cast<long long>(JpegScanBytesPassedOver() / runs));
    return 0;
}
