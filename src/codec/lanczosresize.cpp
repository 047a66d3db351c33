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

unsigned char ToByte(float v)
{
    return static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

QImage ResizeLanczos(const QImage& picture, QSize size)
{
    if (picture.isNull() || size.isEmpty())
        return QImage();
    const QImage source = picture.format() == QImage::Format_RGB888
        ? picture : picture.convertToFormat(QImage::Format_RGB888);
    const int sw = source.width(), sh = source.height();
    const int dw = size.width(), dh = size.height();
    const Taps across = MakeTaps(sw, dw);
    const Taps down = MakeTaps(sh, dh);

    // Across first, into a float picture of the target's width.
    std::vector<float> middle(size_t(dw) * size_t(sh) * 3);
    for (int y = 0; y < sh; ++y) {
        const unsigned char* row = source.constScanLine(y);
        float* out = middle.data() + size_t(y) * size_t(dw) * 3;
        for (int x = 0; x < dw; ++x, out += 3) {
            const float* w = across.weights.data() + across.offset[size_t(x)];
            float r = 0, g = 0, b = 0;
            for (int k = 0; k < across.count[size_t(x)]; ++k) {
                const int sx = std::clamp(across.first[size_t(x)] + k, 0, sw - 1);
                const unsigned char* p = row + 3 * size_t(sx);
                r += w[k] * p[0];
                g += w[k] * p[1];
                b += w[k] * p[2];
            }
            out[0] = r;
            out[1] = g;
            out[2] = b;
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
