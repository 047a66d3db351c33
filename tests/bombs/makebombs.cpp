// Writes the bomb files into a folder: cmyk-header.jpg (172 bytes,
// progressive CMYK declaring 18900 x 18900), cmyk-499-scans.jpg (the same
// with 499 scans), rle-16384.bmp (1 KB RLE8 declaring 16384 x 16384) and
// grey-many-scans.jpg (a progressive grey picture within the budget whose
// 499 empty scans would each walk all its blocks), colour profiles
// whose processing tag names one element thousands of times: curves-1000.icc,
// curves-8000.icc, matrices-8000.icc,
// app1-flood.jpg and
// app2-flood.jpg (a small picture behind 10,000 empty APP1 or APP2 markers),
// no-eoi.jpg (a picture without its end marker), rle-1-wide.bmp (1 KB
// declaring 1 x 357,913,941), zeros-16384.png (33 KB of black rows for
// 16384 x 16384), cut-16384.png (the same with 16 rows of data),
// screen-65535.gif (one pixel on a 65535 x 65535 screen), heif-16384.heic (361 bytes declaring 16384 x
// 16384), heif-grid-40000.heic (a grid of 40,000 tiles naming one),
// heif-grid-3x2.heic (a small grid of that tile), tiff-*.tif (TIFFs of a few
// hundred bytes declaring huge strips, tiles or strip counts),
// canvas-16383.webp and still-16383.webp (WebPs
// of under 100 bytes declaring 16383 x 16383, animated and still) and
// header-16384.jxl (a JPEG XL header declaring 16384 x 16384).
// Usage: makebombs FOLDER

#include "bombfiles.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makebombs FOLDER\n");
        return 2;
    }
    const QDir folder(QFile::decodeName(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path()))
        return 1;
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"cmyk-header.jpg", bombs::ProgressiveJpeg(18900, 18900, 4, 0)},
        {"cmyk-499-scans.jpg", bombs::ProgressiveJpeg(18900, 18900, 4, 498)},
        {"rle-16384.bmp", bombs::RunLengthBitmap(16384, 16384)},
        {"grey-many-scans.jpg", bombs::ProgressiveJpeg(12000, 12000, 1, 498)},
        {"curves-1000.icc", bombs::SharedElementProfile(1000)},
        {"curves-8000.icc", bombs::SharedElementProfile(8000)},
        {"matrices-8000.icc", bombs::SharedElementProfile(8000, bombs::SharedElement::Matrix)},
        {"no-eoi.jpg", bombs::ProgressiveJpeg(64, 48, 1, 0).chopped(2)},
        {"rle-1-wide.bmp", bombs::RunLengthBitmap(1, 357913941)},
        {"zeros-16384.png", bombs::ZeroRowsPng(16384, 16384, 16384)},
        {"cut-16384.png", bombs::ZeroRowsPng(16384, 16384, 16)},
        {"screen-65535.gif", bombs::HugeScreenGif(65535, 65535)},
        {"heif-16384.heic", bombs::HeifDeclaring(16384, 16384)},
        {"heif-grid-40000.heic", bombs::HeifGridOfOneTile(200, 200, 200, 200, 1)},
        {"heif-grid-3x2.heic", bombs::HeifGridOfOneTile(3, 2, 192, 128, 64)},
        {"tiff-one-strip.tif", bombs::GreyTiff(16384, 16384, 16384, 0, 8, QByteArray(65536, '\0'))},
        {"tiff-no-byte-counts.tif", bombs::GreyTiff(16384, 16384, 0xFFFFFFFF, 0, 1, QByteArray(64, '\x80'), 1, false)},
        {"tiff-huge-tile.tif", bombs::GreyTiff(16384, 16384, 0, 65520, 8, QByteArray(65536, '\0'))},
        {"tiff-millions-of-strips.tif", bombs::GreyTiff(64, 4000000, 1, 0, 8, QByteArray(64, '\0'), 4000000)},
        {"tiff-jpeg-strip.tif", bombs::GreyTiff(16384, 16384, 16384, 0, 7, bombs::ProgressiveJpeg(16384, 16384, 1, 0))},
        {"canvas-16383.webp", bombs::WebPCanvas(16383, 16383, true)},
        {"still-16383.webp", bombs::WebPCanvas(16383, 16383, false)},
        {"header-16384.jxl", bombs::JxlHeader(16384, 16384)},
    };
    for (const auto& f : files) {
        QFile out(folder.filePath(QLatin1String(f.name)));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(f.bytes) != f.bytes.size())
            return 1;
        std::printf("%s %lld bytes\n", f.name, static_cast<long long>(f.bytes.size()));
    }
    for (int app : {1, 2}) {
        if (!bombs::WriteMarkerFlood(folder.filePath(QStringLiteral("app%1-flood.jpg").arg(app)), app, 10000, 0))
            return 1;
    }
    return 0;
}
