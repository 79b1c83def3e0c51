#pragma once
// How the volume wedge looks: GDI+ shapes in the user's colour, a white highlight and a darker
// shade of the colour for the edges.

#include "volume_wedge/wedge_model.h"

namespace sondrel {

// Needs GDI+ running.
void drawWedge(HDC dc, const RECT& bounds, const WedgeModel& model);

}  // namespace sondrel
