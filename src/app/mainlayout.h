#pragma once
#include "app/formlayout.h"
#include "core/stretch.h"

#include <QImage>

#include <array>

namespace yotsumado {

// The main window's stored layout.
const TFormLayout& MainForm1Layout();

// The colour of panel `index` (0..3: upper left, upper right, lower left,
// lower right) as the stored layout paints it behind the picture.
TColor PanelColor(int index);

// The composite drawn as the window draws it without markers, at `scale`
// times its size: the window's colour, each panel's background rectangle,
// then each picture (already as `fit` shows it at its panel's size) in its
// panel for the split V,H.
QImage DrawPanels(const std::array<QImage, 4>& pictures, int splitV, int splitH, TFitMode fit = TFitMode::Stretch,
                  int scale = 1);

} // namespace yotsumado
