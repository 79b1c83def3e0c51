#pragma once
// How the transport bar looks.

#include "transport_bar/transport_model.h"

namespace sondrel {

// Draws with GDI+, which the caller has started, into the bounds of the target.
void drawTransportBar(HDC dc, const RECT& bounds, const TransportModel& model);

}  // namespace sondrel
