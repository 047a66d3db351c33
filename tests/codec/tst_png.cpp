// PNG (libspng) and GIF (giflib) pictures made by ImageMagick while the tests
// run, in every variant the formats have, each decoded and compared with what
// Qt's own readers make of the same file: turned as its Exif asks, in sRGB
// where it carries a colour description; and files broken on purpose.

#include "bombs/bombfiles.h"
#include "codec/memorybudget.h"
#include "codec/rasterdecoders.h"
#include "core/error.h"
#include "formatfixtures.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

// Mean difference over premultiplied A R G B (what a clear pixel holds does
// not count); -1 for pictures of different sizes.
double Difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const auto format = QImage::Format_ARGB32_Premultiplied;
    const QImage p = a.convertToFormat(format), q = b.convertToFormat(format);
    double sum = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < 4 * p.width(); ++x)
            sum += std::abs(p.constScanLine(y)[x] - q.constScanLine(y)[x]);
    return sum / (4.0 * p.width() * p.height());
}

QByteArray Chunk(const char* type, const QByteArray& data, const char* before, QByteArray png)
{
    return png.insert(png.indexOf(before) - 4, bombs::PngChunk(type, data));
}

QByteArray Be32(quint32 v)
{
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}

// A made PNG changed as a row says: an Exif block (before or after the
// data), a colour description, animation chunks, damage.
QByteArray PatchPng(QByteArray png, const QString& patch)
{
    const QString what = patch.section(QLatin1Char(' '), 0, 0);
    const QByteArray exif = QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18)
        + char(patch.section(QLatin1Char(' '), 1).toInt()) + QByteArray(7, '\0');
    if (what == QLatin1String("exif") || what == QLatin1String("exif-after"))
        return Chunk("eXIf", exif, what == QLatin1String("exif") ? "IDAT" : "IEND", png);
    if (what == QLatin1String("iccp"))
        return Chunk("iCCP", QByteArray("icc\0\0", 5) + qCompress(QColorSpace(QColorSpace::AdobeRgb).iccProfile()).mid(4),
                     "IDAT", png);
    if (what == QLatin1String("linear") || what == QLatin1String("srgb"))
        png = Chunk("gAMA", Be32(100000), "IDAT", png);
    if (what == QLatin1String("srgb"))
        return Chunk("sRGB", QByteArray(1, '\0'), "IDAT", png);
    if (what == QLatin1String("chrm"))  // Adobe RGB's primaries, gamma 1.8
        return Chunk("cHRM", Be32(31270) + Be32(32900) + Be32(64000) + Be32(33000) + Be32(21000) + Be32(71000)
                     + Be32(15000) + Be32(6000), "IDAT", Chunk("gAMA", Be32(55556), "IDAT", png));
    if (what == QLatin1String("apng"))
        return Chunk("fdAT", Be32(1) + "garbage", "IEND", Chunk("acTL", Be32(2) + Be32(0), "IDAT", png));
    if (what == QLatin1String("text-crc"))  // a comment whose CRC is wrong
        return png.insert(png.indexOf("IDAT") - 4, bombs::PngChunk("tEXt", QByteArray("Comment\0x", 9)).chopped(1) + 'X');
    if (what == QLatin1String("idat-crc"))
        png[png.indexOf("IEND") - 5] = char(png[png.indexOf("IEND") - 5] ^ 1);
    if (what == QLatin1String("cut"))
        png.truncate(png.size() / 2);
    return png;
}

// Where the first image descriptor of a GIF starts.
qsizetype FirstFrame(const QByteArray& gif)
{
    qsizetype at = 13 + (uchar(gif[10]) & 0x80 ? 3 << ((gif[10] & 7) + 1) : 0);
    while (gif[at] == '!') {
        for (at += 2; gif[at]; at += uchar(gif[at]) + 1) {}
        ++at;
    }
    return at;
}

// A made GIF changed as a row says: its colour table moved into the
// frame or dropped, its frame moved partly off the screen, damage.
QByteArray PatchGif(QByteArray gif, const QString& patch)
{
    const qsizetype frame = FirstFrame(gif);
    const int table = 3 << ((gif[10] & 7) + 1);
    if (patch == QLatin1String("local")) {
        gif[frame + 9] = char(uchar(gif[frame + 9]) | 0x80 | (gif[10] & 7));
        gif.insert(frame + 10, gif.mid(13, table));
    }
    if (patch == QLatin1String("local") || patch == QLatin1String("no-table")) {
        gif[10] = char(gif[10] & 0x7F);
        gif.remove(13, table);
    }
    if (patch == QLatin1String("offset")) {
        qToLittleEndian(quint16(40), gif.data() + frame + 1);
        qToLittleEndian(quint16(30), gif.data() + frame + 3);
    }
    if (patch == QLatin1String("cut"))
        gif.truncate(gif.size() / 2);
    return gif;
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

    void pngVariantsMatchLibpng_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QString>("patch");
        QTest::addColumn<QColorSpace>("space");
        QTest::addColumn<QString>("outcome");
        const QStringList opaque{QStringLiteral("-alpha"), QStringLiteral("off")};
        const auto grey = [](int bits, bool alpha) {
            return QStringList{QStringLiteral("-colorspace"), QStringLiteral("Gray"), QStringLiteral("-define"),
                               QStringLiteral("png:bit-depth=%1").arg(bits), QStringLiteral("-define"),
                               QStringLiteral("png:color-type=%1").arg(alpha ? 4 : 0)};
        };
        const QStringList interlaced{QStringLiteral("-interlace"), QStringLiteral("PNG")};
        // Samples that use all 16 bits, so that rounding them shows.
        const QStringList deep{QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("-evaluate"),
                               QStringLiteral("multiply"), QStringLiteral("0.9")};
        const QColorSpace none;
        const auto row = [&](const char* name, const QStringList& recipe, const char* patch = "", const QString& outcome = QStringLiteral("argb")) {
            QTest::newRow(name) << recipe << QString::fromLatin1(patch) << none << outcome;
        };
        row("RGB, 8 bits", opaque + QStringList{QStringLiteral("PNG24:")}, "", QStringLiteral("rgb"));
        row("RGB, 16 bits", opaque + deep + QStringList{QStringLiteral("PNG48:")}, "", QStringLiteral("rgb"));
        row("RGBA, 8 bits", {QStringLiteral("PNG32:")});
        row("RGBA, 16 bits", deep + QStringList{QStringLiteral("PNG64:")});
        for (int bits : {1, 2, 4, 8, 16})
            row(qPrintable(QStringLiteral("grey, %1 bits").arg(bits)), opaque + grey(bits, false) + (bits == 16 ? deep : QStringList()), "",
                QStringLiteral("rgb"));
        row("grey and alpha, 8 bits", grey(8, true));
        row("grey and alpha, 16 bits", grey(16, true) + deep);
        row("palette with tRNS", {QStringLiteral("PNG8:")});
        row("palette, 2 bits", opaque + QStringList{QStringLiteral("-colors"), QStringLiteral("4"), QStringLiteral("-define"),
                QStringLiteral("png:bit-depth=2"), QStringLiteral("-define"), QStringLiteral("png:color-type=3")}, "", QStringLiteral("rgb"));
        row("interlaced RGB", opaque + interlaced + QStringList{QStringLiteral("PNG24:")}, "", QStringLiteral("rgb"));
        row("interlaced RGBA, 16 bits", interlaced + deep + QStringList{QStringLiteral("PNG64:")});
        row("interlaced grey, 2 bits", opaque + interlaced + grey(2, false), "", QStringLiteral("rgb"));
        row("interlaced palette", interlaced + QStringList{QStringLiteral("PNG8:")});
        row("Exif orientation 3", {}, "exif 3");
        row("Exif orientation 6", {}, "exif 6");
        row("Exif orientation 5", {}, "exif 5");
        row("Exif after the picture data", {}, "exif-after 8");
        row("animated: the default image", {}, "apng");
        row("damaged comment: dropped", {}, "text-crc");
        row("damaged picture data", {}, "idat-crc", QStringLiteral("error"));
        row("cut short", {}, "cut", QStringLiteral("error"));
        row("sRGB chunk: no conversion", {}, "srgb");
        const auto colour = [&](const char* name, const char* patch, const QColorSpace& space) {
            QTest::newRow(name) << QStringList() << QString::fromLatin1(patch) << space << QStringLiteral("argb");
        };
        colour("ICC profile", "iccp", QColorSpace(QColorSpace::AdobeRgb));
        colour("gamma 1.0", "linear", QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Linear));
        colour("gamma 1.8 and primaries", "chrm", QColorSpace(QColorSpace::Primaries::AdobeRgb, 1.8f));
    }

    void pngVariantsMatchLibpng()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QString, patch);
        QFETCH(QColorSpace, space);
        QFETCH(QString, outcome);
        // The recipe's last word may name the PNG flavour ("PNG24:").
        const QString made = dir_.filePath(QStringLiteral("made.png"));
        const QString flavour = recipe.isEmpty() || !recipe.last().endsWith(QLatin1Char(':')) ? QString() : recipe.takeLast();
        QCOMPARE(formatfixtures::Run(QStringLiteral("convert"),
                                     QStringList{dir_.filePath(QStringLiteral("source.png"))} + recipe
                                         + QStringList{QStringLiteral("-define"), QStringLiteral("png:exclude-chunks=bKGD,cHRM,gAMA,sRGB,tIME,tEXt,zTXt"),
                                                       flavour + made}),
                 QString());
        QImage expected;
        const QByteArray bytes = PatchPng(Read(made), patch);
        if (outcome != QLatin1String("error")) {
            QBuffer file(const_cast<QByteArray*>(&bytes));
            QImageReader reader(&file, "png");
            reader.setAutoTransform(true);
            // 16-bit samples rounded to 8 before anything else, as the decoder does.
            expected = reader.read().convertToFormat(QImage::Format_ARGB32);
            // Qt's reader leaves eXIf aside: the turns values 3, 5, 6, 8 ask for.
            const QTransform turns[] = {{}, {}, {}, QTransform().rotate(180), {}, QTransform(0, 1, 1, 0, 0, 0),
                                        QTransform().rotate(90), {}, QTransform().rotate(270)};
            if (patch.startsWith(QLatin1String("exif")))
                expected = expected.transformed(turns[patch.section(QLatin1Char(' '), 1).toInt()]);
            if (space.isValid()) {
                expected.setColorSpace(space);
                expected.convertToColorSpace(QColorSpace::SRgb);
            }
        }
        // Little CMS and Qt convert colours a rounding apart.
        Check(PictureKind::Png, bytes, expected, outcome, space.isValid() ? 0.25 : 0.005);
    }

    void gifVariantsMatchQt_data()
    {
        QTest::addColumn<QStringList>("recipe");
        QTest::addColumn<QString>("patch");
        QTest::addColumn<QString>("outcome");
        const QStringList opaque{QStringLiteral("-alpha"), QStringLiteral("off")};
        QTest::newRow("opaque") << opaque << QString() << "rgb";
        QTest::newRow("transparent pixels") << QStringList() << QString() << "argb";
        QTest::newRow("interlaced") << QStringList{QStringLiteral("-interlace"), QStringLiteral("GIF")} << QString() << "argb";
        QTest::newRow("animation: the first frame")
            << opaque + QStringList{QStringLiteral("("), QStringLiteral("+clone"), QStringLiteral("-negate"), QStringLiteral(")")}
            << QString() << "rgb";
        QTest::newRow("the frame's own colour table") << opaque << "local" << "rgb";
        QTest::newRow("no colour table: shown") << opaque << "no-table" << "rgb shown";
        QTest::newRow("frame partly off the screen") << opaque << "offset" << "argb";
        QTest::newRow("cut short") << opaque << "cut" << "error";
    }

    void gifVariantsMatchQt()
    {
        QFETCH(QStringList, recipe);
        QFETCH(QString, patch);
        QFETCH(QString, outcome);
        const QString made = dir_.filePath(QStringLiteral("made.gif"));
        QCOMPARE(formatfixtures::Run(QStringLiteral("convert"),
                                     QStringList{dir_.filePath(QStringLiteral("source.png"))} + recipe + QStringList{made}),
                 QString());
        QImage expected = QImage(made).convertToFormat(QImage::Format_ARGB32);
        if (patch == QLatin1String("offset")) {  // what lies on the screen, the rest clear
            const QImage frame = expected;
            expected.fill(Qt::transparent);
            QPainter(&expected).drawImage(40, 30, frame);
        }
        Check(PictureKind::Gif, PatchGif(Read(made), patch), expected, outcome);
    }

private:
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Decodes `bytes` and checks the outcome: "rgb" or "argb" (the format,
    // and the pixels of `expected`), "rgb shown" (the format and size),
    // "error" (the kind's message, nothing left held).
    static void Check(PictureKind kind, QByteArray bytes, const QImage& expected, const QString& outcome,
                      double tolerance = 0.005)
    {
        MemoryBudget budget(kProgramMemoryBudget);
        BudgetShare share(budget);
        QBuffer file(&bytes);
        file.open(QIODevice::ReadOnly);
        QImage picture;
        QString error;
        try {
            picture = DecodeRaster(kind, file, share);
        } catch (const Exception& e) {
            error = e.Message();
        }
        if (outcome == QLatin1String("error")) {
            QCOMPARE(error, InvalidPictureMessage(kind));
            QCOMPARE(budget.InUse(), qint64(0));
            return;
        }
        QCOMPARE(error, QString());
        QCOMPARE(picture.format(), outcome == QLatin1String("argb") ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        QCOMPARE(picture.size(), outcome.endsWith(QLatin1String("shown")) ? QSize(64, 48) : expected.size());
        const double difference = Difference(picture, expected);
        if (!outcome.endsWith(QLatin1String("shown")))
            QVERIFY2(difference >= 0 && difference <= tolerance, qPrintable(QStringLiteral("differs by %1").arg(difference)));
    }

    QTemporaryDir dir_;
};

YOTSUMADO_TEST_MAIN(PngGifTest)
#include "tst_png.moc"
