// HEIF and AVIF pictures made by heif-enc and avifenc while the test runs,
// each decoded upright, in sRGB, 8 bits a sample, close to what was encoded.

#include "app/photos/photofixtures.h"
#include "codec/colorprofile.h"
#include "formatfixtures.h"
#include "support/files.h"
#include "support/testmain.h"

#include <QTemporaryDir>

using namespace formatfixtures;

namespace {

// What was encoded (opaque) as the decoder should show it.
QImage Shown(const QImage& picture, const QString& expect)
{
    QImage out = picture.convertToFormat(QImage::Format_RGB888);
    using CPT = ColorProfileTransform;
    const CPT::Chromaticities p3{0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
    const QByteArray wide = photos::WideGamutProfile();
    const auto transform = expect == "p3" ? CPT::FromDescription(p3, CPT::Transfer::Srgb, 1, CPT::Input::Rgb)
        : expect == "wide" ? CPT::ToSrgb(reinterpret_cast<const uchar*>(wide.data()), std::size_t(wide.size()), CPT::Input::Rgb) : nullptr;
    if (transform)
        transform->ConvertImage(out);
    if (expect == "hdr")  // 18 % grey at BT.2408's HDR levels: SDR's 18 % grey
        out.fill(qRgb(118, 118, 118));
    if (expect == "rot90")
        return out.transformed(QTransform().rotate(-90));
    return expect == "mirror" ? out.mirrored(true, false) : out;
}

} // namespace

class HeifTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void Columns()
    {
        QTest::addColumn<QString>("recipe");  // a shell command making {out} from {src}.png
        QTest::addColumn<QString>("source");  // photo, odd (97 x 65), vivid, alpha, grey N
        QTest::addColumn<QString>("expect");  // same, rot90, mirror, p3, wide, hdr, error
        QTest::addColumn<double>("tolerance");
    }

    void Check(PictureKind kind)
    {
        QFETCH(QString, recipe);
        QFETCH(QString, source);
        QFETCH(QString, expect);
        QFETCH(double, tolerance);
        if (const QString missing = MissingIn(recipe); !missing.isEmpty())
            QSKIP(qPrintable(missing + " is not installed"));
        QImage src = PhotoLike(source == "odd" ? QSize(97, 65) : QSize(256, 128), source == "alpha");
        for (int i = 0; i < 256 * 128 && source == "vivid"; ++i)
            src.setPixel(i % 256, i / 256, qRgb(i % 256, 255 - i % 256, 2 * (i / 256)));
        if (source.startsWith("grey"))  // a grey level of its own
            src.fill(QColor::fromRgb(QRgb(0x10101u * source.mid(5).toUInt())));
        const QString base = dir_.filePath(QString(QTest::currentDataTag()).replace(' ', '_')), out = base + (kind == PictureKind::Avif ? ".avif" : ".heic");
        QVERIFY(src.save(base + ".png") && testing::WriteFile(dir_.filePath("wide.icc"), photos::WideGamutProfile()));
        QCOMPARE(Run("sh", {"-c", recipe.replace("{src}", base).replace("{out}", out).replace("{icc}", dir_.filePath("wide.icc"))}), QString());
        const QImage shown = source == "alpha" ? src : Shown(src, expect);
        if (expect == "p3" || expect == "wide")  // a colour conversion left out would be seen
            QVERIFY(MeanDifference(shown, Shown(src, "same")) > 2 * tolerance);
        CheckDecode(kind, testing::ReadAll(out), expect == "error" ? InvalidPictureMessage(kind) : QString(), shown, source == "alpha", tolerance);
    }

private slots:
    void heifVariantsDecodeCloseToTheirSource_data()
    {
        Columns();
        QTest::newRow("8 bits 4:2:0") << "heif-enc -q 90 {src}.png -o {out}" << "photo" << "same" << 4.0;
        QTest::newRow("odd size, cropped") << "heif-enc -q 90 {src}.png -o {out}" << "odd" << "same" << 4.0;
        QTest::newRow("4:4:4") << "heif-enc -q 90 -p chroma=444 {src}.png -o {out}" << "photo" << "same" << 3.0;
        QTest::newRow("10 bits") << "convert {src}.png -depth 16 {src}16.png && heif-enc -b 10 -q 90 {src}16.png -o {out}" << "photo" << "same" << 4.0;
        QTest::newRow("alpha") << "heif-enc -q 90 {src}.png -o {out}" << "alpha" << "same" << 4.0;
        QTest::newRow("BT.709 limited range") << "heif-enc -q 90 --matrix_coefficients=1 --full_range_flag=0 {src}.png -o {out}" << "photo" << "same" << 4.0;
        QTest::newRow("truncated") << "heif-enc -q 90 {src}.png -o {out}.full && head -c -200 {out}.full >{out}" << "photo" << "error" << 0.0;
    }
    void heifVariantsDecodeCloseToTheirSource() { Check(PictureKind::Heif); }

    void avifVariantsDecodeCloseToTheirSource_data()
    {
        Columns();
        QTest::newRow("8 bits 4:2:0") << "avifenc -s 8 -d 8 -y 420 {src}.png {out}" << "photo" << "same" << 4.0;
        QTest::newRow("10 bits 4:4:4") << "avifenc -s 8 -d 10 -y 444 {src}.png {out}" << "photo" << "same" << 3.0;
        QTest::newRow("12 bits 4:2:0") << "avifenc -s 8 -d 12 -y 420 {src}.png {out}" << "photo" << "same" << 4.0;
        QTest::newRow("odd size") << "avifenc -s 8 {src}.png {out}" << "odd" << "same" << 4.0;
        QTest::newRow("alpha") << "avifenc -s 8 {src}.png {out}" << "alpha" << "same" << 4.0;
        QTest::newRow("premultiplied alpha") << "avifenc -s 8 -p {src}.png {out}" << "alpha" << "same" << 4.0;
        QTest::newRow("10-bit alpha") << "avifenc -s 8 -d 10 {src}.png {out}" << "alpha" << "same" << 4.0;
        QTest::newRow("turned 90°") << "avifenc -s 8 --irot 1 {src}.png {out}" << "photo" << "rot90" << 4.0;
        QTest::newRow("mirrored left to right") << "avifenc -s 8 --imir 1 {src}.png {out}" << "photo" << "mirror" << 4.0;
        QTest::newRow("grid 2 x 2") << "avifenc -s 8 --grid 2x2 {src}.png {out}" << "photo" << "same" << 4.0;
        QTest::newRow("BT.709 limited range") << "avifenc -s 8 -r l --cicp 1/13/1 {src}.png {out}" << "photo" << "same" << 4.0;
        QTest::newRow("Display P3") << "avifenc -s 8 --cicp 12/13/1 {src}.png {out}" << "vivid" << "p3" << 4.0;
        QTest::newRow("ICC profile") << "avifenc -s 8 --icc {icc} {src}.png {out}" << "vivid" << "wide" << 4.0;
        QTest::newRow("PQ, 10 bits") << "avifenc -s 8 -d 10 --cicp 9/16/9 {src}.png {out}" << "grey 105" << "hdr" << 3.0;
        QTest::newRow("HLG, 10 bits") << "avifenc -s 8 -d 10 --cicp 9/18/9 {src}.png {out}" << "grey 111" << "hdr" << 3.0;
        QTest::newRow("PQ, 12 bits") << "avifenc -s 8 -d 12 --cicp 9/16/9 {src}.png {out}" << "grey 105" << "hdr" << 3.0;
        // Its ispe turned from 256 x 128 to 64 x 32, or to 200 x 100 (within the codec's blocks).
        const QString ispe = QString("avifenc -s 8 {src}.png {out} && perl -0777 -pi -e "
                                     "'s/ispe\\0{6}\\x01\\0\\0{3}\\x80/ispe\\0\\0\\0\\0\\0\\0\\0%1\\0\\0\\0%2/' {out}");
        QTest::newRow("coded larger than declared") << ispe.arg("\\x40", "\\x20") << "photo" << "error" << 0.0;
        QTest::newRow("coded not as declared") << ispe.arg("\\xc8", "\\x64") << "photo" << "error" << 0.0;
        QTest::newRow("truncated") << "avifenc -s 8 {src}.png {out}.full && head -c -200 {out}.full >{out}" << "photo" << "error" << 0.0;
    }
    void avifVariantsDecodeCloseToTheirSource() { Check(PictureKind::Avif); }
};

YOTSUMADO_TEST_MAIN(HeifTest)
#include "tst_heif.moc"
