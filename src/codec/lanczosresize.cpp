#include "codec/lanczosresize.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace yotsumado {

namespace {

constexpr double kLobes = 3.0;

double Lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// The source pixels and weights of each target pixel along one direction.
struct Taps {
    std::vector<int> first;      // first source index per target index
    std::vector<int> count;      // number of weights per target index
    std::vector<int> offset;     // where its weights start in `weights`
    std::vector<float> weights;  // normalised to sum 1
};

Taps MakeTaps(int srcLen, int dstLen)
{
    Taps taps;
    const double scale = double(srcLen) / double(dstLen);
    const double widen = std::max(1.0, scale);
    const double support = kLobes * widen;
    taps.first.resize(size_t(dstLen));
    taps.count.resize(size_t(dstLen));
    taps.offset.resize(size_t(dstLen));
    std::vector<double> w;
    for (int i = 0; i < dstLen; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = int(std::ceil(centre - support));
        const int hi = int(std::floor(centre + support));
        w.clear();
        double sum = 0;
        for (int j = lo; j <= hi; ++j) {
            const double v = Lanczos((j - centre) / widen);
            w.push_back(v);
            sum += v;
        }
        taps.first[size_t(i)] = lo;
        taps.count[size_t(i)] = int(w.size());
        taps.offset[size_t(i)] = int(taps.weights.size());
        for (double v : w)
            taps.weights.push_back(float(sum != 0 ? v / sum : 0));
    }
    return taps;
}

// std::lround's value (halves away from zero), clamped to a byte, without
// the library call, which cost a few per cent of a large composite.
unsigned char ToByte(float v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    const int whole = int(v);  // the fraction v - whole is exact
    return static_cast<unsigned char>(whole + (v - float(whole) >= 0.5f ? 1 : 0));
}

// A picture more than this many times the target's size is first reduced by
// averaging whole boxes of pixels, to no less than this many times it: the
// filter then works on a few pixels for each of the target's instead of on
// the whole picture, which for a huge one costs many times the decoding. At
// that ratio the box's own softening is below what the widened filter does.
constexpr int kFilterHeadroom = 4;

// `source` reduced by averaging boxes of kx x ky pixels (the last box of a
// row or column takes what is left), Format_RGB888.
QImage BoxReduce(const QImage& source, int kx, int ky)
{
    const int sw = source.width(), sh = source.height();
    const int w = (sw + kx - 1) / kx, h = (sh + ky - 1) / ky;
    QImage out(w, h, QImage::Format_RGB888);
    if (out.isNull())
        return out;
    std::vector<quint64> sums(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), quint64(0));
        const int rows = std::min(ky, sh - y * ky);
        for (int r = 0; r < rows; ++r) {
            const unsigned char* p = source.constScanLine(y * ky + r);
            for (int x = 0; x < w; ++x) {
                quint64* sum = sums.data() + size_t(x) * 3;
                for (int n = std::min(kx, sw - x * kx); n > 0; --n, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
        }
        unsigned char* o = out.scanLine(y);
        for (int x = 0; x < w; ++x, o += 3) {
            const quint64 n = quint64(std::min(kx, sw - x * kx)) * quint64(rows);
            for (int c = 0; c < 3; ++c)
                o[c] = static_cast<unsigned char>((sums[size_t(x) * 3 + size_t(c)] + n / 2) / n);
        }
    }
    return out;
}

} // namespace

QImage ResizeLanczos(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return QImage();
    QImage source = picture.format() == QImage::Format_RGB888
        ? picture : picture.convertToFormat(QImage::Format_RGB888);
    const int kx = std::max(1, source.width() / (kFilterHeadroom * size.width()));
    const int ky = std::max(1, source.height() / (kFilterHeadroom * size.height()));
    if (kx > 1 || ky > 1)
        source = BoxReduce(source, kx, ky);
    if (source.isNull())
        return QImage();
    const int sw = source.width(), sh = source.height();
    const int dw = size.width(), dh = size.height();
    const Taps across = MakeTaps(sw, dw);
    const Taps down = MakeTaps(sh, dh);

    // Across first, into a float picture of the target's width. The taps are
    // laid out tap by tap, each padded to the longest count with zero weights
    // (adding nothing) and its index clamped to the row: every target pixel
    // sums the very terms in the very order of its own taps, and a row's
    // pixels are summed side by side instead of one after another.
    int most = 0;
    for (int c : across.count)
        most = std::max(most, c);
    std::vector<int> at(size_t(most) * size_t(dw));
    std::vector<float> weight(size_t(most) * size_t(dw), 0.0f);
    for (int x = 0; x < dw; ++x) {
        const int count = across.count[size_t(x)];
        for (int k = 0; k < most; ++k) {
            const size_t i = size_t(k) * size_t(dw) + size_t(x);
            at[i] = 3 * std::clamp(across.first[size_t(x)] + std::min(k, count - 1), 0, sw - 1);
            if (k < count)
                weight[i] = across.weights[size_t(across.offset[size_t(x)] + k)];
        }
    }
    std::vector<float> middle(size_t(dw) * size_t(sh) * 3, 0.0f);
    for (int y = 0; y < sh; ++y) {
        const unsigned char* row = source.constScanLine(y);
        float* const out = middle.data() + size_t(y) * size_t(dw) * 3;
        for (int k = 0; k < most; ++k) {
            const int* a = at.data() + size_t(k) * size_t(dw);
            const float* w = weight.data() + size_t(k) * size_t(dw);
            float* o = out;
            for (int x = 0; x < dw; ++x, o += 3) {
                const unsigned char* p = row + a[x];
                o[0] += w[x] * p[0];
                o[1] += w[x] * p[1];
                o[2] += w[x] * p[2];
            }
        }
    }
    QImage result(size, QImage::Format_RGB888);
    if (result.isNull())
        return result;
    std::vector<float> acc(size_t(dw) * 3);
    for (int y = 0; y < dh; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        const float* w = down.weights.data() + down.offset[size_t(y)];
        for (int k = 0; k < down.count[size_t(y)]; ++k) {
            const int sy = std::clamp(down.first[size_t(y)] + k, 0, sh - 1);
            const float* in = middle.data() + size_t(sy) * size_t(dw) * 3;
            for (size_t i = 0; i < acc.size(); ++i)
                acc[i] += w[k] * in[i];
        }
        unsigned char* out = result.scanLine(y);
        for (size_t i = 0; i < acc.size(); ++i)
            out[i] = ToByte(acc[i]);
    }
    return result;
}

} // namespace yotsumado
