#pragma once
// Linear two-colour ramps, the arithmetic behind every gradient the controls
// paint. Two rules are in use and both are kept to the last bit, because the
// pixels they give are part of how the controls look:
//  - TruncatedRamp: any length; step i sits at t = i / (length - 1) in double
//    precision and each component is start + difference * t, truncated. The
//    first step is exactly the first colour, the last exactly the second.
//    The shadow label's background and text gradients.
//  - FaceRampEntry: 256 entries whatever the size painted, in integers:
//    start + (difference * i) / 255, the division truncating toward zero
//    (so a falling component rounds up where TruncatedRamp rounds down).
//    The shine button's face.

#include <QRgb>
#include <QtGlobal>

namespace yotsumado {

class TruncatedRamp {
public:
    TruncatedRamp(QRgb from, QRgb to);
    // Step i of a ramp `length` steps long, opaque. A ramp one step long
    // has nowhere to go: it keeps the first colour.
    QRgb At(qsizetype i, qsizetype length) const;

private:
    int r1_, g1_, b1_;
    int dr_, dg_, db_;
};

// Entry i (0 .. 255) of the 256-entry ramp from `from` to `to`, opaque.
QRgb FaceRampEntry(QRgb from, QRgb to, int i);

} // namespace yotsumado
