// PNG (libspng) and GIF (giflib) made by ImageMagick while the test runs, in
// each variant the formats have, decoded and compared with what Qt's own
// readers make of the same file (turned as its Exif asks, in sRGB where it
// describes its colours); and files broken on purpose.

#include "bombs/bombfiles.h"
#include "formatfixtures.h"
#include "support/files.h"
#include "support/testmain.h"

#include <QColorSpace>
#include <QPainter>
#include <QTemporaryDir>

#include <array>
#include <vector>

namespace {

// The made file changed as a row's patch says.
QByteArray Patch(QByteArray f, const QString& patch)
{
    const auto be32 = [](quint32 v) { return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v); };
    const auto chunk = [&f](const char* type, const QByteArray& data, const char* before = "IDAT") {
        f.insert(f.indexOf(before) - 4, bombs::PngChunk(type, data));
    };
    const QStringList w = patch.split(' ');
    const QString& what = w[0];
    if (what == "exif")  // a bare TIFF block holding the orientation only
        chunk("eXIf", QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(w[1].toInt()) + QByteArray(7, '\0'),
              w.value(2) == "after" ? "IEND" : "IDAT");
    if (what == "iccp")
        chunk("iCCP", QByteArray("icc\0\0", 5) + qCompress(QColorSpace(QColorSpace::AdobeRgb).iccProfile()).mid(4));
    if (what == "gamma")
        chunk("gAMA", be32(w[1].toUInt()));
    if (w.value(2) == "srgb")
        chunk("sRGB", QByteArray(1, '\0'));
    if (w.value(2) == "adobe")
        chunk("cHRM", be32(31270) + be32(32900) + be32(64000) + be32(33000) + be32(21000) + be32(71000) + be32(15000) + be32(6000));
    if (what == "apng") {
        chunk("acTL", be32(2) + be32(0));
        chunk("fdAT", be32(1) + "junk", "IEND");
    }
    if (w.value(1) == "tEXt")
        chunk("tEXt", QByteArray("Comment\0x", 9));
    if (what == "bad-crc") {  // the last byte of the chunk's CRC
        const qsizetype at = f.indexOf(w[1] == "tEXt" ? "IDAT" : "IEND") - 5;
        f[at] = char(f[at] ^ 1);
    }
    if (what == "cut")
        f.truncate(f.size() / 2);
    if (what == "local" || what == "no-table" || what == "offset") {
        // The first frame's descriptor, past the screen, its colours and any extensions.
        const int table = 3 << ((f[10] & 7) + 1);
        qsizetype at = 13 + table;
        for (; f[at] == '!'; ++at)
            for (at += 2; f[at]; at += uchar(f[at]) + 1) {}
        if (what == "offset")
            return f.replace(at + 1, 4, QByteArray("\x28\0\x1E\0", 4));  // left 40, top 30
        if (what == "local") {  // the file's colours moved into the frame
            f.insert(at + 10, f.mid(13, table));
            f[at + 9] = char(f[at + 9] | 0x80 | (f[10] & 7));
        }
        f[10] = char(f[10] & 0x7F);
        f.remove(13, table);
    }
    return f;
}

} // namespace

class PngGifTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!formatfixtures::MissingIn("convert").isEmpty())
            QSKIP("convert is not installed");
        QVERIFY(formatfixtures::PhotoLike(QSize(64, 48), true).save(dir_.filePath("source.png")));
    }

    // 16-bit rows use all their bits (-evaluate), so that rounding shows.
    void pngVariantsMatchLibpng_data()
    {
        Rows({{{"RGB, 8 bits", "-alpha off PNG24:", "", "rgb"},
               {"RGB, 16 bits", "-alpha off -depth 16 -evaluate multiply 0.9 PNG48:", "", "rgb"},
               {"RGBA, 8 bits", "PNG32:", "", "argb"},
               {"RGBA, 16 bits", "-depth 16 -evaluate multiply 0.9 PNG64:", "", "argb"},
               {"grey, 1 bit", "-alpha off -colorspace Gray -define png:bit-depth=1 -define png:color-type=0", "", "rgb"},
               {"grey, 4 bits", "-alpha off -colorspace Gray -define png:bit-depth=4 -define png:color-type=0", "", "rgb"},
               {"grey, 8 bits", "-alpha off -colorspace Gray -define png:bit-depth=8 -define png:color-type=0", "", "rgb"},
               {"grey, 16 bits", "-alpha off -colorspace Gray -depth 16 -evaluate multiply 0.9 -define png:color-type=0", "", "rgb"},
               {"grey and alpha, 8 bits", "-colorspace Gray -define png:bit-depth=8 -define png:color-type=4", "", "argb"},
               {"grey and alpha, 16 bits", "-colorspace Gray -depth 16 -evaluate multiply 0.9 -define png:color-type=4", "", "argb"},
               {"palette with tRNS", "PNG8:", "", "argb"},
               {"palette, 2 bits", "-alpha off -colors 4 -define png:bit-depth=2 -define png:color-type=3", "", "rgb"},
               {"interlaced RGB", "-alpha off -interlace PNG PNG24:", "", "rgb"},
               {"interlaced RGBA, 16 bits", "-interlace PNG -depth 16 -evaluate multiply 0.9 PNG64:", "", "argb"},
               {"interlaced grey, 2 bits", "-alpha off -interlace PNG -colorspace Gray -define png:bit-depth=2", "", "rgb"},
               {"interlaced palette", "-interlace PNG PNG8:", "", "argb"},
               {"Exif orientation 3", "PNG32:", "exif 3", "argb"},
               {"Exif orientation 6", "PNG32:", "exif 6", "argb"},
               {"Exif orientation 5", "PNG32:", "exif 5", "argb"},
               {"Exif after the picture data", "PNG32:", "exif 8 after", "argb"},
               {"ICC profile", "PNG32:", "iccp", "argb"},
               {"gamma 1.0", "PNG32:", "gamma 100000", "argb"},
               {"gamma 1.8 and primaries", "PNG32:", "gamma 55556 adobe", "argb"},
               {"sRGB chunk outranks gamma", "PNG32:", "gamma 100000 srgb", "argb"},
               {"animated: the default image", "PNG32:", "apng", "argb"},
               {"damaged comment: dropped", "PNG32:", "bad-crc tEXt", "argb"},
               {"damaged picture data", "PNG32:", "bad-crc IDAT", "error"},
               {"cut short", "PNG32:", "cut", "error"}}});
    }
    void pngVariantsMatchLibpng() { DecodeRow(PictureKind::Png); }

    void gifVariantsMatchQt_data()
    {
        Rows({{{"opaque", "-alpha off", "", "rgb"},
               {"transparent pixels", "", "", "argb"},
               {"interlaced", "-interlace GIF", "", "argb"},
               {"animation: the first frame", "-alpha off ( +clone -negate )", "", "rgb"},
               {"the frame's own colour table", "-alpha off", "local", "rgb"},
               {"no colour table: shown", "-alpha off", "no-table", "rgb shown"},
               {"frame partly off the screen", "-alpha off", "offset", "argb"},
               {"cut short", "-alpha off", "cut", "error"}}});
    }
    void gifVariantsMatchQt() { DecodeRow(PictureKind::Gif); }

private:
    static void Rows(const std::vector<std::array<const char*, 4>>& rows)
    {
        for (const char* column : {"recipe", "patch", "outcome"})
            QTest::addColumn<QString>(column);
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }

    // Makes the row's file, decodes it and checks the outcome: "rgb" or
    // "argb" (the format and Qt's pixels), "… shown" (the format and size),
    // "error" (the kind's message, nothing left held).
    void DecodeRow(PictureKind kind)
    {
        QFETCH(QString, recipe);
        QFETCH(QString, patch);
        QFETCH(QString, outcome);
        const bool png = kind == PictureKind::Png;
        QStringList args = recipe.split(' ', Qt::SkipEmptyParts);
        const QString flavour = !args.isEmpty() && args.last().endsWith(':') ? args.takeLast() : QString();
        if (png)
            args << "-define" << "png:exclude-chunks=bKGD,cHRM,gAMA,sRGB,tIME,tEXt,zTXt";
        const QString made = dir_.filePath(png ? "made.png" : "made.gif");
        QCOMPARE(formatfixtures::Run("convert", QStringList{dir_.filePath("source.png")} + args + QStringList{flavour + made}), QString());
        const QByteArray original = testing::ReadAll(made), bytes = Patch(original, patch);

        // Qt reads PNG as changed (leaving eXIf and colours aside), GIF as made.
        QImage expected = QImage::fromData(png ? bytes : original).convertToFormat(QImage::Format_ARGB32);
        const QTransform turns[] = {{}, {}, {}, QTransform().rotate(180), {}, QTransform(0, 1, 1, 0, 0, 0),
                                    QTransform().rotate(90), {}, QTransform().rotate(270)};
        if (patch.startsWith("exif"))
            expected = expected.transformed(turns[patch.section(' ', 1, 1).toInt()]);
        const QColorSpace space = patch == "iccp" ? QColorSpace(QColorSpace::AdobeRgb)
            : patch == "gamma 100000" ? QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Linear)
            : patch == "gamma 55556 adobe" ? QColorSpace(QColorSpace::Primaries::AdobeRgb, 1.8f) : QColorSpace();
        if (space.isValid()) {
            expected.setColorSpace(space);
            expected.convertToColorSpace(QColorSpace::SRgb);
        }
        if (patch == "offset") {  // what lies on the screen, the rest clear
            expected.fill(Qt::transparent);
            QPainter(&expected).drawImage(40, 30, QImage::fromData(original));
        }
        // Little CMS and Qt convert colours a rounding apart.
        formatfixtures::CheckDecode(kind, bytes, outcome == "error" ? InvalidPictureMessage(kind) : QString(), expected,
                                    outcome.startsWith("argb"), outcome.endsWith("shown") ? qInf() : space.isValid() ? 0.25 : 0.005);
    }

    QTemporaryDir dir_;
};

YOTSUMADO_TEST_MAIN(PngGifTest)
#include "tst_png.moc"
