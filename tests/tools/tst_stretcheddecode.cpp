// Decoding only the rows a panel's stretch reads: every row handed over, and
// every stretched picture, must equal what the full decode gives.

#include "codec/codectools.h"
#include "codec/jpegdecoder.h"
#include "codec/pictureloader.h"
#include "codec/stretcheddecode.h"
#include "core/error.h"
#include "core/stretch.h"
#include "support/bmpwriter.h"
#include "support/pixels.h"
#include "support/testdata.h"
#include "support/testmain.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <jpeglib.h>

#include <map>

using namespace yotsumado;

using namespace codectest;

namespace {

QImage Full(const QByteArray& jpeg)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    return DecodeJpeg(buffer);
}

QImage Stretched(const QByteArray& jpeg, QSize size, TFitMode fit = TFitMode::Stretch)
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    return DecodeJpegStretched(buffer, size, fit);
}

// Wants every `step`-th row from `first`; records what it gets.
class RecordingSink final : public JpegRowSink {
public:
    RecordingSink(int first, int step) : first_(first), step_(step) {}
    bool Begin(int width, int height, int) noexcept override
    {
        width_ = width;
        height_ = height;
        return true;
    }
    int NextWanted(int y) const noexcept override
    {
        if (step_ <= 0)
            return height_;
        const int n = y <= first_ ? first_ : first_ + (y - first_ + step_ - 1) / step_ * step_;
        return std::min(n, height_);
    }
    void Row(int y, const uchar* rgb) noexcept override
    {
        rows[y] = QByteArray(reinterpret_cast<const char*>(rgb), 3 * width_);
    }
    std::map<int, QByteArray> rows;

private:
    int first_, step_;
    int width_ = 0, height_ = 0;
};

// The kinds of JPEG stream the decoder takes, made for a test row.
QByteArray MakeKind(const QString& kind)
{
    if (kind == QLatin1String("baseline 4:2:0"))
        return SampleJpeg();
    JpegRecipe recipe;
    recipe.width = 301;
    recipe.height = 203;
    const QImage pattern = Pattern(recipe.width, recipe.height);
    recipe.pixel = [&pattern](int x, int y, unsigned char* s) {
        const uchar* p = pattern.constScanLine(y) + 3 * x;
        // Some grain, so that block smoothing has something to smooth.
        const int grain = ((x * 7 + y * 13) % 23) - 11;
        for (int i = 0; i < 3; ++i)
            s[i] = uchar(qBound(0, p[i] + grain, 255));
    };
    if (kind == QLatin1String("arithmetic")) {
        recipe.arithmetic = true;
    } else if (kind == QLatin1String("4:4:4, restart markers")) {
        recipe.fullChroma = true;
        recipe.restartRows = 1;
    } else if (kind == QLatin1String("progressive")) {
        // DC first (all components), then AC in two bands, then refinements.
        recipe.scans = {{-1, 0, 0, 0, 1}, {0, 1, 5, 0, 2}, {1, 1, 63, 0, 1}, {2, 1, 63, 0, 1},
                        {0, 6, 63, 0, 2}, {0, 1, 63, 2, 1}, {-1, 0, 0, 1, 0}, {0, 1, 63, 1, 0},
                        {1, 1, 63, 1, 0}, {2, 1, 63, 1, 0}};
    } else if (kind == QLatin1String("grey")) {
        recipe.components = 1;
        recipe.pixel = [&pattern](int x, int y, unsigned char* s) { s[0] = pattern.constScanLine(y)[3 * x + 1]; };
    } else if (kind == QLatin1String("cmyk")) {
        recipe.components = 4;
        recipe.storedColorSpace = int(JCS_CMYK);
        recipe.pixel = [&pattern](int x, int y, unsigned char* s) {
            const uchar* p = pattern.constScanLine(y) + 3 * x;
            s[0] = p[0];
            s[1] = p[1];
            s[2] = p[2];
            s[3] = uchar((x + y) % 256);
        };
    }
    return MakeJpeg(recipe);
}

void AddKinds()
{
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"baseline 4:2:0", "arithmetic", "sequential (made)", "4:4:4, restart markers", "progressive",
                             "grey", "cmyk"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

} // namespace

class TestStretchedDecode : public QObject {
    Q_OBJECT
private slots:
    void wantedRowsEqualTheFullDecode_data() { AddKinds(); }
    void wantedRowsEqualTheFullDecode()
    {
        QFETCH(QString, kind);
        const QByteArray jpeg = MakeKind(kind);
        QVERIFY2(!jpeg.isEmpty(), "the library could not make the test stream");
        const QImage full = Full(jpeg);
        QCOMPARE(full.format(), QImage::Format_RGB888);
        // Row patterns that start inside, at and just past the boundaries of
        // the library's row groups (8 and 16 rows high).
        const std::pair<int, int> patterns[] = {{0, 1}, {0, 7}, {5, 16}, {15, 16}, {16, 17}, {7, 31}, {1, 64}};
        for (const auto& [first, step] : patterns) {
            RecordingSink sink(first, step);
            QBuffer buffer;
            buffer.setData(jpeg);
            buffer.open(QIODevice::ReadOnly);
            DecodeJpegRows(buffer, sink);
            int expected = 0;
            for (int y = first; y < full.height(); y += step)
                ++expected;
            QCOMPARE(int(sink.rows.size()), expected);
            for (const auto& [y, row] : sink.rows) {
                const QByteArray want(reinterpret_cast<const char*>(full.constScanLine(y)), 3 * full.width());
                QVERIFY2(row == want, qPrintable(QStringLiteral("row %1 of pattern %2/%3 differs").arg(y).arg(first).arg(step)));
            }
        }
    }

    void aSinkThatWantsNothingGetsNothing()
    {
        const QByteArray jpeg = MakeKind(QStringLiteral("baseline 4:2:0"));
        RecordingSink sink(0, 0);
        QBuffer buffer;
        buffer.setData(jpeg);
        buffer.open(QIODevice::ReadOnly);
        DecodeJpegRows(buffer, sink);
        QVERIFY(sink.rows.empty());
    }

    void stretchedDecodeEqualsTheStretchOfTheFullPicture_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("fit");  // a TFitMode
        const QSize sizes[] = {{62, 62}, {240, 180}, {418, 298}, {1, 1}, {500, 400}, {301, 203}, {60, 290}};
        for (const char* kind : {"baseline 4:2:0", "arithmetic", "4:4:4, restart markers", "progressive", "grey", "cmyk"})
            for (QSize s : sizes)
                for (int fit : {0, 1, 2})
                    QTest::addRow("%s %dx%d %s", kind, s.width(), s.height(), std::array{"stretch", "fit", "fill"}[size_t(fit)])
                        << QString::fromLatin1(kind) << s << fit;
    }
    void stretchedDecodeEqualsTheStretchOfTheFullPicture()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(int, fit);
        const QByteArray jpeg = MakeKind(kind);
        const QImage stretched = Stretched(jpeg, size, TFitMode(fit));
        const QImage full = Full(jpeg);
        QCOMPARE(stretched.size(), PlaceInPanel(full.size(), size, TFitMode(fit)).target.size());
        QCOMPARE(stretched.format(), QImage::Format_RGB888);
        SAME_IMAGE(stretched, StretchPlaced(full, size, TFitMode(fit)));
        // Placing it again in its panel changes nothing: this is what the
        // picture control does with it.
        SAME_IMAGE(StretchPlaced(stretched, size, TFitMode(fit)), StretchPlaced(full, size, TFitMode(fit)));
    }

    void anEmptySizeGivesTheFullPicture()
    {
        const QByteArray jpeg = MakeKind(QStringLiteral("baseline 4:2:0"));
        SAME_IMAGE(Stretched(jpeg, QSize()), Full(jpeg));
    }

    void badStreamsFailWithTheFullDecodersMessage_data()
    {
        QTest::addColumn<QByteArray>("stream");
        const QByteArray good = MakeKind(QStringLiteral("baseline 4:2:0"));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not a JPEG") << QByteArray("GIF89a this is no JPEG at all");
        QTest::newRow("header only") << good.left(200);
        QTest::newRow("12-bit") << WithPrecision(good, 12);
    }
    void badStreamsFailWithTheFullDecodersMessage()
    {
        QFETCH(QByteArray, stream);
        QString fullError, stretchedError;
        try { Full(stream); } catch (const Exception& e) { fullError = e.Message(); }
        try { Stretched(stream, QSize(50, 40)); } catch (const Exception& e) { stretchedError = e.Message(); }
        QVERIFY(fullError.startsWith(QStringLiteral("JPEG エラー #")));
        QCOMPARE(stretchedError, fullError);
    }

    void aStreamCutShortGivesTheSamePixels()
    {
        // The library's warning path: the rows past the cut come out grey,
        // and the stretch of them must match too.
        const QByteArray good = MakeKind(QStringLiteral("sequential (made)"));
        const QByteArray cut = good.left(good.size() * 2 / 3);
        SAME_IMAGE(Stretched(cut, QSize(77, 123)), StretchNearest(Full(cut), QSize(77, 123)));
    }

    void loadingStretchedOpensAndFailsLikeLoadPicture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << QStringLiteral("missing.jpg");
        QTest::newRow("folder named .jpg") << QStringLiteral("folder.jpg");
        QTest::newRow("garbage .jpg") << QStringLiteral("garbage.jpg");
        QTest::newRow("garbage .bmp") << QStringLiteral("garbage.bmp");
        QTest::newRow("no picture extension") << QStringLiteral("picture.png");
    }
    void loadingStretchedOpensAndFailsLikeLoadPicture()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
        for (const char* garbage : {"garbage.jpg", "garbage.bmp", "picture.png"}) {
            QFile f(dir.filePath(QString::fromLatin1(garbage)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("no picture in here");
        }
        const QString path = dir.filePath(name);
        QString plain, stretched;
        try { LoadPicture(path); } catch (const Exception& e) { plain = e.Message(); }
        try { LoadPictureStretched(path, QSize(10, 10)); } catch (const Exception& e) { stretched = e.Message(); }
        QVERIFY(!plain.isEmpty());
        QCOMPARE(stretched, plain);
    }

    void loadingStretchedGivesTheStretchOfLoadPicture_data()
    {
        // Files made here; "corpus:" rows name files of the external corpus.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        QTest::newRow("JPEG 62x298") << QStringLiteral("made.jpg") << QSize(62, 298);
        QTest::newRow("BMP 418x62") << QStringLiteral("rgb24.bmp") << QSize(418, 62);
        QTest::newRow("BMP, 8-bit palette") << QStringLiteral("pal8.bmp") << QSize(240, 180);
        QTest::newRow("BMP, top-down") << QStringLiteral("pal8topdown.bmp") << QSize(100, 333);
        QTest::newRow("corpus: JPEG") << QStringLiteral("corpus:libjpeg-turbo/testorig.jpg") << QSize(62, 298);
        QTest::newRow("corpus: BMP, top-down") << QStringLiteral("corpus:bmpsuite/good/pal8topdown.bmp")
                                               << QSize(100, 333);
    }
    void loadingStretchedGivesTheStretchOfLoadPicture()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        QTemporaryDir dir;
        QString path = dir.filePath(file);
        if (file.startsWith(QLatin1String("corpus:"))) {
            CORPUS_FILE(corpus, file.mid(7));
            path = corpus;
        } else if (file.endsWith(QLatin1String(".jpg"))) {
            WriteAll(path, SampleJpeg());
        } else {
            testing::BmpRecipe r;
            r.width = 127;
            r.height = 64;
            if (file.startsWith(QLatin1String("pal8"))) {
                r.bitCount = 8;
                r.palette = testing::TestPalette(256);
                r.topDown = file.contains(QLatin1String("topdown"));
                r.pixel = [](int x, int y) { return quint32(x + 3 * y) % 256; };
            } else {
                r.pixel = [](int x, int y) { return quint32(x * 2 << 16 | y * 4 << 8 | (x ^ y)); };
            }
            WriteAll(path, testing::MakeBmp(r).bytes);
        }
        const QImage stretched = LoadPictureStretched(path, size);
        QCOMPARE(stretched.format(), QImage::Format_RGB888);
        SAME_IMAGE(stretched, StretchNearest(LoadPicture(path), size));
    }
};

YOTSUMADO_TEST_MAIN(TestStretchedDecode)
#include "tst_stretcheddecode.moc"
