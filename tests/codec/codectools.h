#pragma once
// Helpers for the codec tests: reference decoders run as programs, and JPEG
// and BMP streams made to order.

#include "support/files.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace codectest {

// Full path of a program on PATH, or empty.
QString Tool(const QString& name);

// Runs `program` with `arguments`; true when it exits with status 0.
bool Run(const QString& program, const QStringList& arguments, QByteArray* out = nullptr,
         const QByteArray& input = QByteArray());

// ImageMagick's decode of a file, as Format_RGB888 (alpha dropped), or a null
// image when it cannot decode it.
QImage ImageMagickDecode(const QString& path);

// djpeg -dct float -ppm of a file (block smoothing is djpeg's default). A
// file djpeg only warns about (cut short) is decoded when `warnings` allows.
QImage DjpegDecode(const QString& path, bool warnings = false);

// Binary PPM (P6) of an image's pixels.
QByteArray Ppm(const QImage& image);

using testing::ReadAll;
void WriteAll(const QString& path, const QByteArray& bytes);

// A colourful test pattern with smooth and sharp parts.
QImage Pattern(int width, int height);
// The pattern with some grain, like a photograph: block smoothing and
// chroma upsampling have something to do.
QImage Grainy(int width, int height);

// A baseline 4:2:0 JPEG of Grainy(227, 149), made with the library here.
QByteArray SampleJpeg();

// The same stream with the frame header's sample precision changed (a
// 12-bit stream as far as any decoder can tell from its header).
QByteArray WithPrecision(const QByteArray& jpeg, int bits);

// Offset of the first SOFn marker segment of a JPEG stream, or -1.
qsizetype FindSof(const QByteArray& jpeg);

// One scan of a hand-written scan script: components, Ss, Se, Ah, Al.
struct Scan {
    int component;  // -1 for all components (an interleaved DC scan)
    int ss, se, ah, al;
};

struct JpegRecipe {
    int width = 16;
    int height = 16;
    // 1 = grey, 3 = RGB input, 4 = CMYK input
    int components = 3;
    // JCS_* to store: JCS_YCbCr, JCS_GRAYSCALE, JCS_CMYK, JCS_YCCK (as int, to keep jpeglib.h out)
    int storedColorSpace = -1;  // -1: the library's default for the input
    bool adobeMarker = true;
    std::vector<Scan> scans;    // empty: sequential
    bool arithmetic = false;    // arithmetic instead of Huffman coding
    int restartRows = 0;        // a restart marker every this many MCU rows; 0: none
    bool fullChroma = false;    // 4:4:4 instead of the library's 4:2:0
    // Fills one pixel's samples.
    std::function<void(int x, int y, unsigned char* samples)> pixel;
};

QByteArray MakeJpeg(const JpegRecipe& recipe);

// A grey-scale progressive scan script of exactly `count` scans (65..694).
std::vector<Scan> ManyScans(int count);

} // namespace codectest
