#include "codectest.h"

#include "codec/pictureformat.h"

#include <QTest>

using namespace yotsumado;

Q_DECLARE_METATYPE(PictureKind)

void CodecTest::extensionIsFromLastDotAfterLastSlash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << "photo.jpg" << ".jpg";
    QTest::newRow("last dot wins") << "/home/u/a.b.JPEG" << ".JPEG";
    QTest::newRow("no dot") << "/home/u/e" << "";
    QTest::newRow("dot only in folder") << "/dir.jpg/file" << "";
    QTest::newRow("trailing dot") << "/x/a." << ".";
    QTest::newRow("hidden name") << "/x/.bmp" << ".bmp";
    QTest::newRow("double extension") << "f.bmp.txt" << ".txt";
    QTest::newRow("backslash is an ordinary character here") << "dir\\a.jpg" << ".jpg";
    QTest::newRow("empty") << "" << "";
}

void CodecTest::extensionIsFromLastDotAfterLastSlash()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QCOMPARE(ExtensionOf(path), extension);
}

void CodecTest::acceptedExtensionsIgnoreCase_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<PictureKind>("kind");
    QTest::newRow("a.jpeg") << "a.jpeg" << PictureKind::Jpeg;
    QTest::newRow("A.JPEG") << "A.JPEG" << PictureKind::Jpeg;
    QTest::newRow("photo.JPG") << "/p/photo.JPG" << PictureKind::Jpeg;
    QTest::newRow("mixed .jPg") << "x.jPg" << PictureKind::Jpeg;
    QTest::newRow("b.Bmp") << "b.Bmp" << PictureKind::Bitmap;
    QTest::newRow("B.BMP") << "/q/B.BMP" << PictureKind::Bitmap;
    QTest::newRow("c.jpe") << "c.jpe" << PictureKind::Jpeg;
    QTest::newRow("c.JFIF") << "c.JFIF" << PictureKind::Jpeg;
    QTest::newRow("c.dib") << "c.dib" << PictureKind::Bitmap;
    QTest::newRow("d.gif") << "d.gif" << PictureKind::Gif;
    QTest::newRow("e") << "e" << PictureKind::None;
    QTest::newRow("f.bmp.txt") << "f.bmp.txt" << PictureKind::None;
    QTest::newRow("x.png") << "x.png" << PictureKind::Png;
    QTest::newRow("IMG_0001.HEIC") << "IMG_0001.HEIC" << PictureKind::Heif;
    QTest::newRow("camera .hif") << "a.hif" << PictureKind::Heif;
    QTest::newRow(".heif") << "a.heif" << PictureKind::Heif;
    QTest::newRow(".avif") << "a.avif" << PictureKind::Avif;
    QTest::newRow(".webp") << "a.WebP" << PictureKind::WebP;
    QTest::newRow(".tif") << "a.tif" << PictureKind::Tiff;
    QTest::newRow(".TIFF") << "a.TIFF" << PictureKind::Tiff;
    QTest::newRow(".jxl") << "a.jxl" << PictureKind::JpegXl;
    QTest::newRow(".svg") << "a.svg" << PictureKind::None;
    QTest::newRow("dir.jpg/file") << "/dir.jpg/file" << PictureKind::None;
    QTest::newRow("g.jpg.") << "g.jpg." << PictureKind::None;
    QTest::newRow("h.jpegx") << "h.jpegx" << PictureKind::None;
    QTest::newRow("japanese name") << "/写真/夏の海.JPG" << PictureKind::Jpeg;
}

void CodecTest::acceptedExtensionsIgnoreCase()
{
    QFETCH(QString, path);
    QFETCH(PictureKind, kind);
    QCOMPARE(PictureKindOf(path), kind);
}

void CodecTest::firstBytesNameTheKind_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<PictureKind>("kind");
    const auto ftyp = [](const char* major, const char* compatible) {
        QByteArray box("\0\0\0\x18" "ftyp", 8);
        return box + major + QByteArray("\0\0\0\0", 4) + compatible;
    };
    QTest::newRow("bitmap") << QByteArray("BM\x36\0\0\0", 6) << PictureKind::Bitmap;
    QTest::newRow("jpeg") << QByteArray("\xFF\xD8\xFF\xE0") << PictureKind::Jpeg;
    QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1A\n") << PictureKind::Png;
    QTest::newRow("webp") << QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16) << PictureKind::WebP;
    QTest::newRow("riff but a wave") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << PictureKind::None;
    QTest::newRow("tiff, Intel") << QByteArray("II*\0", 4) << PictureKind::Tiff;
    QTest::newRow("tiff, Motorola") << QByteArray("MM\0*", 4) << PictureKind::Tiff;
    QTest::newRow("gif") << QByteArray("GIF89a") << PictureKind::Gif;
    QTest::newRow("jxl codestream") << QByteArray("\xFF\x0A") << PictureKind::JpegXl;
    QTest::newRow("jxl container") << QByteArray("\0\0\0\x0CJXL \r\n\x87\n", 12) << PictureKind::JpegXl;
    QTest::newRow("iPhone heic") << ftyp("heic", "mif1heic") << PictureKind::Heif;
    QTest::newRow("avif naming mif1 first") << ftyp("mif1", "avifmiaf") << PictureKind::Avif;
    QTest::newRow("an mp4 video") << ftyp("isom", "iso2mp41") << PictureKind::None;
    QTest::newRow("brand past the box") << QByteArray("\0\0\0\x10" "ftypisom\0\0\0\0heic", 20) << PictureKind::None;
    QTest::newRow("empty") << QByteArray() << PictureKind::None;
    QTest::newRow("one byte of a signature") << QByteArray("\x89") << PictureKind::None;
}

void CodecTest::firstBytesNameTheKind()
{
    QFETCH(QByteArray, head);
    QFETCH(PictureKind, kind);
    QCOMPARE(SniffPictureKind(reinterpret_cast<const unsigned char*>(head.constData()), std::size_t(head.size())), kind);
}

void CodecTest::pictureSizeBoundNeverOverflows_data()
{
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("height");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("small") << qint64(480) << qint64(360) << true;
    QTest::newRow("24 MP") << qint64(6000) << qint64(4000) << true;
    QTest::newRow("exactly 1 GiB") << qint64(1) << (qint64(1) << 30) / 3 << true;
    QTest::newRow("one pixel over") << qint64(1) << (qint64(1) << 30) / 3 + 1 << false;
    QTest::newRow("65000 square") << qint64(65000) << qint64(65000) << false;
    QTest::newRow("product overflows 64 bits") << (qint64(1) << 40) << (qint64(1) << 40) << false;
    QTest::newRow("zero width") << qint64(0) << qint64(10) << false;
    QTest::newRow("negative height") << qint64(10) << qint64(-10) << false;
}

void CodecTest::pictureSizeBoundNeverOverflows()
{
    QFETCH(qint64, width);
    QFETCH(qint64, height);
    QFETCH(bool, allowed);
    QCOMPARE(PictureSizeAllowed(width, height), allowed);
}
