#pragma once
// The module's own artwork: the sliders' cursors and the twelve toolbox bitmaps, drawn here.

#include "gdi/gdi.h"
#include "module_handle.h"

namespace sondrel {

constexpr WORD IDC_SLIDER_HORIZONTAL = 213;
constexpr WORD IDC_SLIDER_VERTICAL = 215;

// Registers the resource table for the module (once; later calls do nothing).
void registerModuleResources();

}  // namespace sondrel
