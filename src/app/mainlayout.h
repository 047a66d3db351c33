#pragma once
#include "formlayout.h"

// The main window's stored layout.
const TFormLayout& MainForm1Layout();
