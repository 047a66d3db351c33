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
    QTest::newRow("d.gif") << "d.gif" << PictureKind::None;
    QTest::newRow("e") << "e" << PictureKind::None;
    QTest::newRow("f.bmp.txt") << "f.bmp.txt" << PictureKind::None;
    QTest::newRow("x.png") << "x.png" << PictureKind::None;
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
