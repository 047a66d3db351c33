// The structural similarity (SSIM) of a picture, or a rectangle of it, to a
// reference of the rectangle's size: the mean over the picture of the SSIM
// index of the luma (Rec. 601) in 11 x 11 Gaussian windows (sigma 1.5),
// K1 = 0.01, K2 = 0.03, as Wang et al. define it. 1 means equal.
// Usage: bench_ssim REFERENCE PICTURE [X Y]   (X Y: the rectangle's corner)
// Output: one line "ssim=S".

#include <QImage>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

std::vector<double> Luma(const QImage& image, QRect rect)
{
    std::vector<double> y(size_t(rect.width()) * size_t(rect.height()));
    for (int r = 0; r < rect.height(); ++r)
        for (int c = 0; c < rect.width(); ++c) {
            const QRgb p = image.pixel(rect.x() + c, rect.y() + r);
            y[size_t(r) * size_t(rect.width()) + size_t(c)] = 0.299 * qRed(p) + 0.587 * qGreen(p) + 0.114 * qBlue(p);
        }
    return y;
}

double Ssim(const std::vector<double>& a, const std::vector<double>& b, int w, int h)
{
    constexpr int kRadius = 5;
    constexpr double kSigma = 1.5;
    double g[2 * kRadius + 1];
    double total = 0;
    for (int i = -kRadius; i <= kRadius; ++i)
        total += g[i + kRadius] = std::exp(-(i * i) / (2 * kSigma * kSigma));
    for (double& v : g)
        v /= total;
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double sum = 0;
    long count = 0;
    for (int y = kRadius; y < h - kRadius; ++y)
        for (int x = kRadius; x < w - kRadius; ++x) {
            double ma = 0, mb = 0, saa = 0, sbb = 0, sab = 0;
            for (int dy = -kRadius; dy <= kRadius; ++dy)
                for (int dx = -kRadius; dx <= kRadius; ++dx) {
                    const double wt = g[dy + kRadius] * g[dx + kRadius];
                    const size_t i = size_t(y + dy) * size_t(w) + size_t(x + dx);
                    ma += wt * a[i];
                    mb += wt * b[i];
                    saa += wt * a[i] * a[i];
                    sbb += wt * b[i] * b[i];
                    sab += wt * a[i] * b[i];
                }
            const double va = saa - ma * ma, vb = sbb - mb * mb, cov = sab - ma * mb;
            sum += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++count;
        }
    return count ? sum / double(count) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: bench_ssim REFERENCE PICTURE [X Y]\n");
        return 2;
    }
    const QImage reference(QString::fromLocal8Bit(argv[1]));
    const QImage picture(QString::fromLocal8Bit(argv[2]));
    if (reference.isNull() || picture.isNull()) {
        std::fprintf(stderr, "bench_ssim: cannot read the pictures\n");
        return 1;
    }
    const QPoint corner = argc == 5 ? QPoint(std::atoi(argv[3]), std::atoi(argv[4])) : QPoint(0, 0);
    const QRect rect(corner, reference.size());
    if (!picture.rect().contains(rect)) {
        std::fprintf(stderr, "bench_ssim: the rectangle lies outside the picture\n");
        return 1;
    }
    const double s = Ssim(Luma(reference, reference.rect()), Luma(picture, rect), rect.width(), rect.height());
    std::printf("ssim=%.5f\n", s);
    return 0;
}
