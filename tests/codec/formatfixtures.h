#pragma once
// Test pictures of the newer kinds, made while the tests run with the
// formats' own encoders (cwebp, heif-enc, avifenc, cjxl, ImageMagick), and
// the check their tables share.

#include "codec/pictureformat.h"

#include <QImage>
#include <QStringList>

namespace formatfixtures {

// The first program the shell command runs (the first word of each step
// between && and |) not found on PATH, or empty when all are there.
QString MissingIn(const QString& command);

// Runs `program` with `arguments` (at most a minute); empty on success, else
// what went wrong with its error output.
QString Run(const QString& program, const QStringList& arguments);

// A photograph from Debian's mate-backgrounds (scripts/setup.sh installs it)
// scaled to `size`, Format_RGB888, null when it is missing; with `alpha`
// (Format_ARGB32) its opacity rising from clear at the left to opaque.
QImage PhotoLike(QSize size, bool alpha = false);

// The mean absolute difference of the premultiplied samples of two pictures
// of one size, over R G B, and A when either has it; -1 when sizes differ.
double MeanDifference(const QImage& a, const QImage& b);

// Decodes `bytes` as `kind` and checks the outcome (as QTest failures): the
// file refused with `error`, nothing left held; or, when `error` is empty, a
// picture of expected's size, ARGB32 when `alpha` else RGB888, holding
// exactly its own bytes of the budget, within `tolerance` of `expected`.
void CheckDecode(yotsumado::PictureKind kind, const QByteArray& bytes, const QString& error, const QImage& expected,
                 bool alpha, double tolerance);

} // namespace formatfixtures
