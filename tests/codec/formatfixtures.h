#pragma once
// Test pictures of the newer kinds, made while the tests run with the
// formats' own encoders (cwebp, heif-enc, avifenc, cjxl, ImageMagick), and
// the comparisons their tables share.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace formatfixtures {

// The first of `programs` not found on PATH, or empty when all are there.
QString MissingProgram(const QStringList& programs);

// Runs `program` with `arguments` (at most a minute); empty on success, else
// what went wrong with its error output.
QString Run(const QString& program, const QStringList& arguments);

// A picture with the detail of a photograph at `size` (Format_RGB888): a
// real photograph from Debian's mate-backgrounds, scaled, where it is
// installed, else smooth gradients crossed by sharp edges.
QImage PhotoLike(QSize size);

// The mean absolute difference of the R G B samples of two pictures of one
// size (any formats); -1 when their sizes differ.
double MeanDifference(const QImage& a, const QImage& b);

} // namespace formatfixtures
