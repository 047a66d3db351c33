#pragma once


namespace yotsumado {

namespace platform {

// Maps the layout's Windows face "ＭＳ Ｐゴシック" onto the Japanese gothic
// faces of this desktop (IPAPGothic from fonts-ipafont-gothic first, then
// other Japanese gothics). Call before the first window; idempotent.
void InstallFontSubstitutions();

} // namespace platform

} // namespace yotsumado
