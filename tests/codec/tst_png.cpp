// PNG (libspng) and GIF (giflib) made by ImageMagick while the test runs, in
// each variant the formats have, decoded and compared with what Qt's own
// readers make of the same file (turned as its Exif asks, in sRGB where it
// describes its colours); and files broken on purpose.

#include "bombs/bombfiles.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecoders.h"
#include "core/error.h"
#include "formatfixtures.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPainter>
#include <QTemporaryDir>

#include <array>
#include <vector>

namespace {

QByteArray Be32(quint32 v)
{
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

// The made file changed as a row's patch says.
QByteArray Patch(QByteArray f, const QString& patch)
{
    const auto chunk = [&f](const char* type, const QByteArray& data, const char* before = "IDAT") {
        f.insert(f.indexOf(before) - 4, bombs::PngChunk(type, data));
    };
    const QStringList w = patch.split(QLatin1Char(' '));
    const QString what = w[0];
    if (what == QLatin1String("exif"))  // a bare TIFF block holding the orientation only
        chunk("eXIf", QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(w[1].toInt()) + QByteArray(7, '\0'),
              w.value(2) == QLatin1String("after") ? "IEND" : "IDAT");
    if (what == QLatin1String("iccp"))
        chunk("iCCP", QByteArray("icc\0\0", 5) + qCompress(QColorSpace(QColorSpace::AdobeRgb).iccProfile()).mid(4));
    if (what == QLatin1String("gamma"))
        chunk("gAMA", Be32(w[1].toUInt()));
    if (w.value(2) == QLatin1String("srgb"))
        chunk("sRGB", QByteArray(1, '\0'));
    if (w.value(2) == QLatin1String("adobe"))
        chunk("cHRM", Be32(31270) + Be32(32900) + Be32(64000) + Be32(33000) + Be32(21000) + Be32(71000) + Be32(15000) + Be32(6000));
    if (what == QLatin1String("apng")) {
        chunk("acTL", Be32(2) + Be32(0));
        chunk("fdAT", Be32(1) + "junk", "IEND");
    }
    if (w.value(1) == QLatin1String("tEXt"))
        chunk("tEXt", QByteArray("Comment\0x", 9));
    if (what == QLatin1String("bad-crc")) {  // the last byte of the chunk's CRC
        const qsizetype at = f.indexOf(w[1] == QLatin1String("tEXt") ? "IDAT" : "IEND") - 5;
        f[at] = char(f[at] ^ 1);
    }
    if (what == QLatin1String("cut"))
        f.truncate(f.size() / 2);
    if (what == QLatin1String("local") || what == QLatin1String("no-table") || what == QLatin1String("offset")) {
        // The first frame's descriptor, past the screen, its colours and any extensions.
        const int table = 3 << ((f[10] & 7) + 1);
        qsizetype at = 13 + table;
        for (; f[at] == '!'; ++at)
            for (at += 2; f[at]; at += uchar(f[at]) + 1) {}
        if (what == QLatin1String("offset"))
            return f.replace(at + 1, 4, QByteArray("\x28\0\x1E\0", 4));  // left 40, top 30
        if (what == QLatin1String("local")) {  // the file's colours moved into the frame
            f.insert(at + 10, f.mid(13, table));
            f[at + 9] = char(f[at + 9] | 0x80 | (f[10] & 7));
        }
        f[10] = char(f[10] & 0x7F);
        f.remove(13, table);
    }
    return f;
}

// Mean difference over premultiplied A R G B (what a clear pixel holds does
// not count); -1 for pictures of different sizes.
double Difference(const QImage& a, const QImage& b)
{
    const QImage p = a.convertToFormat(QImage::Format_ARGB32_Premultiplied), q = b.convertToFormat(p.format());
    double sum = 0;
    for (int i = 0; a.size() == b.size() && i < p.sizeInBytes(); ++i)
        sum += std::abs(p.constBits()[i] - q.constBits()[i]);
    return a.size() == b.size() ? sum / double(p.sizeInBytes()) : -1;
}

} // namespace

class PngGifTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString missing = formatfixtures::MissingProgram({QStringLiteral("convert")}); !missing.isEmpty())
            QSKIP(qPrintable(missing + QStringLiteral(" is not installed")));
        QImage photo = formatfixtures::PhotoLike(QSize(64, 48)).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 48; ++y)  // alpha from clear to opaque across
            for (int x = 0; x < 64; ++x)
                photo.setPixel(x, y, (photo.pixel(x, y) & 0xFFFFFFu) | uint(x * 4) << 24);
        QVERIFY(photo.save(dir_.filePath(QStringLiteral("source.png"))));
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
        QTest::addColumn<QString>("recipe");
        QTest::addColumn<QString>("patch");
        QTest::addColumn<QString>("outcome");
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]) << QString::fromLatin1(row[2]) << QString::fromLatin1(row[3]);
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
        QStringList args = recipe.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const QString flavour = !args.isEmpty() && args.last().endsWith(QLatin1Char(':')) ? args.takeLast() : QString();
        if (png)
            args << QStringLiteral("-define") << QStringLiteral("png:exclude-chunks=bKGD,cHRM,gAMA,sRGB,tIME,tEXt,zTXt");
        const QString made = dir_.filePath(png ? QStringLiteral("made.png") : QStringLiteral("made.gif"));
        QCOMPARE(formatfixtures::Run(QStringLiteral("convert"), QStringList{dir_.filePath(QStringLiteral("source.png"))} + args
                                                                    + QStringList{flavour + made}),
                 QString());
        QFile file(made);
        const QByteArray original = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QByteArray bytes = Patch(original, patch);

        // Qt reads PNG as changed (leaving eXIf and colours aside), GIF as made.
        QImage expected = QImage::fromData(png ? bytes : original).convertToFormat(QImage::Format_ARGB32);
        const QTransform turns[] = {{}, {}, {}, QTransform().rotate(180), {}, QTransform(0, 1, 1, 0, 0, 0),
                                    QTransform().rotate(90), {}, QTransform().rotate(270)};
        if (patch.startsWith(QLatin1String("exif")))
            expected = expected.transformed(turns[patch.section(QLatin1Char(' '), 1, 1).toInt()]);
        const QColorSpace space = patch == QLatin1String("iccp") ? QColorSpace(QColorSpace::AdobeRgb)
            : patch == QLatin1String("gamma 100000") ? QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Linear)
            : patch == QLatin1String("gamma 55556 adobe") ? QColorSpace(QColorSpace::Primaries::AdobeRgb, 1.8f)
                                                          : QColorSpace();
        if (space.isValid()) {
            expected.setColorSpace(space);
            expected.convertToColorSpace(QColorSpace::SRgb);
        }
        if (patch == QLatin1String("offset")) {  // what lies on the screen, the rest clear
            expected.fill(Qt::transparent);
            QPainter(&expected).drawImage(40, 30, QImage::fromData(original));
        }

        MemoryBudget budget(kProgramMemoryBudget);
        BudgetShare share(budget);
        QBuffer buffer(&bytes);
        QImage picture;
        QString error;
        try {
            buffer.open(QIODevice::ReadOnly);
            picture = DecodeRaster(kind, buffer, share);
        } catch (const Exception& e) {
            error = e.Message();
        }
        QCOMPARE(error, outcome == QLatin1String("error") ? InvalidPictureMessage(kind) : QString());
        if (!error.isEmpty()) {
            QCOMPARE(budget.InUse(), qint64(0));
            return;
        }
        QCOMPARE(picture.format(), outcome.startsWith(QLatin1String("argb")) ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        QCOMPARE(picture.size(), expected.size());
        // Little CMS and Qt convert colours a rounding apart.
        const double difference = Difference(picture, expected), tolerance = space.isValid() ? 0.25 : 0.005;
        if (!outcome.endsWith(QLatin1String("shown")))
            QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QStringLiteral("differs by %1").arg(difference)));
    }

    QTemporaryDir dir_;
};

YOTSUMADO_TEST_MAIN(PngGifTest)
#include "tst_png.moc"
