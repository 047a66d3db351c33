#pragma once
// Photos made to order for the orientation and colour-profile tests: a small
// JPEG with a colour of its own in each quarter, Exif blocks of either byte
// order, and ICC profiles spliced in as a camera writes them.

#include "support/files.h"

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <array>

namespace photos {

// Upper left, upper right, lower left, lower right of a turned picture, as
// indices into the stored quarters (0 UL, 1 UR, 2 LL, 3 LR), for the eight
// orientation values: mirrors and turns of the stored picture, written out by
// hand.
using Corners = std::array<int, 4>;
inline constexpr Corners kTurned[9] = {
    {}, {0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
    {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2},
};

inline QString CornersText(const Corners& c)
{
    return QStringLiteral("%1 %2 %3 %4").arg(c[0]).arg(c[1]).arg(c[2]).arg(c[3]);
}

// The colours of the stored picture's quarters: upper left, upper right,
// lower left, lower right.
inline constexpr std::array<QRgb, 4> kQuarter = {0xff0000u, 0x00ff00u, 0x0000ffu, 0xffff00u};
inline constexpr int kWidth = 64;
inline constexpr int kHeight = 32;

// A kWidth x kHeight JPEG whose four quarters have the colours kQuarter
// (each quarter whole sampling blocks, so the colours survive the coding).
QByteArray QuarterJpeg();

// A detailed kWidth x kHeight-sized JPEG of the given size (every row and
// column differs), for checks that a wrong row or column would fail.
QByteArray DetailedJpeg(int width, int height);

// The payload of an Exif APP1 marker holding one directory with the
// orientation tag (type SHORT, one value) set to `value`.
QByteArray ExifPayload(int value, bool bigEndian);

// `jpeg` with an APP1 marker carrying `payload` inserted after SOI.
QByteArray WithApp1(const QByteArray& jpeg, const QByteArray& payload);

// `jpeg` with `icc` inserted after SOI as ICC_PROFILE APP2 markers.
QByteArray WithIccProfile(const QByteArray& jpeg, const QByteArray& icc);

// A wide-gamut RGB profile (Adobe RGB's primaries, D65, gamma 2.2), made
// with Little CMS.
QByteArray WideGamutProfile();
// A CMYK input profile whose table maps inks to Lab by a simple rule of its
// own (ink darkens, cyan cools, yellow warms), made with Little CMS.
QByteArray CmykProfile();
// A grey profile (gamma 1.0), made with Little CMS.
QByteArray LinearGreyProfile();

// The colour nearest to `c` among kQuarter, as its index, or -1 when none
// lies within `tolerance` in every channel.
int QuarterOf(QRgb c, int tolerance = 24);

// The quarter colour indices seen in the four corners of `picture`: upper
// left, upper right, lower left, lower right.
std::array<int, 4> CornerQuarters(const QImage& picture);

using testing::WriteFile;

} // namespace photos
