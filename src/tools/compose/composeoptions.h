#pragma once
// The command line of yotsumado-compose.

#include "app/grid.h"

#include <QString>
#include <QStringList>

#include <array>

namespace yotsumado {

struct ComposeOptions {
    // Panels 1 to 4 (upper left, upper right, lower left, lower right); an
    // empty name leaves the panel empty.
    std::array<QString, 4> pictures;
    // The vertical divider's left edge and the horizontal divider's top edge.
    int splitV = grid::kStartSplitV;
    int splitH = grid::kStartSplitH;
    // One of MarkerModes().
    QString markers = QString::fromUtf8(grid::kMarkerModes[0].name);
    // One of ScaleModes(): "nearest" shrinks as the window does (its very
    // pixels); "smooth" shrinks with a filter, for the best-looking picture.
    QString scale = QStringLiteral("nearest");
    // One of grid::kFitModes: how each picture takes its panel.
    QString fit = QString::fromUtf8(grid::kFitModes[0]);
    // The composite's size as a multiple of 480 x 360 (one of
    // grid::kOutputScales); larger than 1 it is always made smooth.
    int outputScale = 1;
    QString output;  // -o: the composite JPEG
    QString raw;     // --raw: the composite before encoding, as binary PPM
    // --batch: the file of picture sets, one a line ("-": standard input);
    // empty for a single composite.
    QString batch;
    bool help = false;
};

// The marker modes in menu order, the default first.
const QStringList& MarkerModes();

// The ways to shrink pictures to their panels, the default first.
const QStringList& ScaleModes();

// The fit of `name` (one of grid::kFitModes).
TFitMode FitModeNamed(const QString& name);

// The dividers' limits, as the window's dividers keep them.
using grid::kSplitHMax;
using grid::kSplitHMin;
using grid::kSplitVMax;
using grid::kSplitVMin;

struct ComposeArguments {
    ComposeOptions options;
    QString error;  // empty when the arguments are valid
    bool ok() const { return error.isEmpty(); }
};

// Reads the arguments (without the program name). Options and pictures may
// come in any order; "--" ends the options, "-" is an empty panel.
ComposeArguments ParseComposeArguments(const QStringList& args);

// One line of a batch file: up to four pictures and the output, separated
// by blanks; quotes ('...' keeps everything, "..." takes \" and \\) and a
// backslash before a character let a name hold blanks; "-" is an empty
// panel. A blank line or one starting with "#" holds no set.
struct BatchLine {
    bool empty = false;  // no set on this line
    std::array<QString, 4> pictures;
    QString output;
    QString error;  // empty when the line is valid
};
BatchLine ParseBatchLine(const QByteArray& line);

// The --help text.
QString ComposeUsage();

} // namespace yotsumado
