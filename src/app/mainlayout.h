#pragma once
#include "app/formlayout.h"

namespace yotsumado {

// The main window's stored layout.
const TFormLayout& MainForm1Layout();

} // namespace yotsumado
