#pragma once
#include "app/formlayout.h"

namespace yotsumado {

// The main window's stored layout.
const TFormLayout& MainForm1Layout();

// The colour of panel `index` (0..3: upper left, upper right, lower left,
// lower right) as the stored layout paints it behind the picture.
TColor PanelColor(int index);

} // namespace yotsumado
