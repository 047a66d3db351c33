#include "codectools.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace codectest {

QString Tool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

bool Run(const QString& program, const QStringList& arguments, QByteArray* out, const QByteArray& input)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return false;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QImage ImageMagickDecode(const QString& path)
{
    QByteArray size, pixels;
    // Raw RGB keeps the stored colours of transparent pixels as they are.
    if (!Run(Tool(QStringLiteral("identify")), {QStringLiteral("-format"), QStringLiteral("%w %h"), path}, &size)
        || !Run(Tool(QStringLiteral("convert")), {path, QStringLiteral("-depth"), QStringLiteral("8"),
                                                   QStringLiteral("rgb:-")}, &pixels))
        return QImage();
    const QList<QByteArray> wh = size.trimmed().split(' ');
    if (wh.size() != 2)
        return QImage();
    const int width = wh[0].toInt(), height = wh[1].toInt();
    if (width <= 0 || height <= 0 || pixels.size() != qsizetype(width) * height * 3)
        return QImage();
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        memcpy(image.scanLine(y), pixels.constData() + qsizetype(y) * width * 3, size_t(width) * 3);
    return image;
}

QImage DjpegDecode(const QString& path, bool warnings)
{
    QProcess djpeg;
    djpeg.start(Tool(QStringLiteral("djpeg")), {QStringLiteral("-dct"), QStringLiteral("float"), QStringLiteral("-ppm"), path});
    if (!djpeg.waitForFinished(120000) || djpeg.exitStatus() != QProcess::NormalExit)
        return QImage();
    constexpr int kExitWarning = 2;  // djpeg's status when the library only warned
    if (djpeg.exitCode() != 0 && !(warnings && djpeg.exitCode() == kExitWarning))
        return QImage();
    const QByteArray ppm = djpeg.readAllStandardOutput();
    QImage image;
    if (!image.loadFromData(ppm, "PPM"))
        return QImage();
    return image.convertToFormat(QImage::Format_RGB888);
}

QByteArray Ppm(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    QByteArray ppm = QByteArrayLiteral("P6\n") + QByteArray::number(rgb.width()) + ' '
        + QByteArray::number(rgb.height()) + "\n255\n";
    for (int y = 0; y < rgb.height(); ++y)
        ppm.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), qsizetype(rgb.width()) * 3);
    return ppm;
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    if (!testing::WriteFile(path, bytes))
        qFatal("cannot write test file %s", qPrintable(path));
}

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = uchar(x * 255 / qMax(1, width - 1));
            row[3 * x + 1] = uchar(y * 255 / qMax(1, height - 1));
            row[3 * x + 2] = uchar(((x / 8 + y / 8) % 2) ? 230 : 20);
        }
    }
    return image;
}

QImage Grainy(int width, int height)
{
    QImage image = Pattern(width, height);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < 3 * width; ++x)
            row[x] = uchar(qBound(0, row[x] + ((x * 7 + y * 13) % 23) - 11, 255));
    }
    return image;
}

QByteArray SampleJpeg()
{
    const QImage grainy = Grainy(227, 149);
    JpegRecipe recipe;
    recipe.width = grainy.width();
    recipe.height = grainy.height();
    recipe.pixel = [&grainy](int x, int y, unsigned char* s) { memcpy(s, grainy.constScanLine(y) + 3 * x, 3); };
    return MakeJpeg(recipe);
}

qsizetype FindSof(const QByteArray& jpeg)
{
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const quint8 marker = quint8(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return at;
        at += 2 + (quint8(jpeg[at + 2]) << 8 | quint8(jpeg[at + 3]));
    }
    return -1;
}

QByteArray WithPrecision(const QByteArray& jpeg, int bits)
{
    QByteArray out = jpeg;
    const qsizetype sof = FindSof(out);
    if (sof < 0)
        return QByteArray();
    out[sof + 4] = char(bits);
    return out;
}

namespace {

struct TestErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void TestJump(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TestErrorManager*>(cinfo->err)->jump, 1);
}

struct CompressJob {
    int width, height, components, stored;
    bool adobe, arithmetic;
    int restartRows;
    bool fullChroma;
    const jpeg_scan_info* scans;
    int scanCount;
    const unsigned char* pixels;
    unsigned char* out;
    unsigned long outSize;
};

bool Compress(CompressJob* job)
{
    jpeg_compress_struct cinfo;
    TestErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = TestJump;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &job->out, &job->outSize);
    cinfo.image_width = JDIMENSION(job->width);
    cinfo.image_height = JDIMENSION(job->height);
    cinfo.input_components = job->components;
    cinfo.in_color_space = job->components == 1 ? JCS_GRAYSCALE : job->components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (job->stored >= 0)
        jpeg_set_colorspace(&cinfo, J_COLOR_SPACE(job->stored));
    cinfo.write_Adobe_marker = job->adobe ? TRUE : FALSE;
    cinfo.arith_code = job->arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = job->restartRows;
    if (job->fullChroma)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (job->scanCount > 0) {
        cinfo.scan_info = job->scans;
        cinfo.num_scans = job->scanCount;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const int rowBytes = job->width * job->components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(job->pixels + std::ptrdiff_t(cinfo.next_scanline) * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray MakeJpeg(const JpegRecipe& recipe)
{
    std::vector<unsigned char> pixels(size_t(recipe.width) * recipe.height * recipe.components);
    for (int y = 0; y < recipe.height; ++y)
        for (int x = 0; x < recipe.width; ++x)
            recipe.pixel(x, y, &pixels[(size_t(y) * recipe.width + x) * recipe.components]);
    std::vector<jpeg_scan_info> scans;
    for (const Scan& s : recipe.scans) {
        jpeg_scan_info info{};
        if (s.component < 0) {
            info.comps_in_scan = recipe.components;
            for (int c = 0; c < recipe.components; ++c)
                info.component_index[c] = c;
        } else {
            info.comps_in_scan = 1;
            info.component_index[0] = s.component;
        }
        info.Ss = s.ss;
        info.Se = s.se;
        info.Ah = s.ah;
        info.Al = s.al;
        scans.push_back(info);
    }
    CompressJob job{recipe.width, recipe.height, recipe.components, recipe.storedColorSpace, recipe.adobeMarker,
                    recipe.arithmetic, recipe.restartRows, recipe.fullChroma, scans.data(), int(scans.size()), pixels.data(), nullptr, 0};
    const bool ok = Compress(&job);
    QByteArray stream;
    if (ok)
        stream = QByteArray(reinterpret_cast<const char*>(job.out), qsizetype(job.outSize));
    std::free(job.out);
    return stream;
}

std::vector<Scan> ManyScans(int count)
{
    // DC first, then each of the 63 AC coefficients in a band of its own,
    // sent first with its low bits held back and then refined bit by bit.
    std::vector<Scan> scans{{0, 0, 0, 0, 0}};
    int refinements = count - 64;
    for (int k = 1; k <= 63; ++k) {
        const int r = qBound(0, refinements, 10);
        refinements -= r;
        scans.push_back({0, k, k, 0, r});
        for (int al = r - 1; al >= 0; --al)
            scans.push_back({0, k, k, al + 1, al});
    }
    return scans;
}

} // namespace codectest
