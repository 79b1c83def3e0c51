#pragma once
// How the transport cluster looks: its pictures composed, tinted and given round corners with
// GDI+. GDI+ must be running while pictures exist.

#include "cluster_model.h"
#include "gdi/gdiplus.h"

#include <map>

namespace sondrel {

// The state pictures of both sets and the glyph overlays, loaded from the module's resources.
class ClusterPictures {
public:
    ClusterPictures();
    ~ClusterPictures();
    ClusterPictures(const ClusterPictures&) = delete;
    ClusterPictures& operator=(const ClusterPictures&) = delete;

    GpBitmap* state(bool large, int state) const { return states_[large ? 1 : 0][state]; }
    GpBitmap* glyph(WORD id) const;

private:
    GpBitmap* states_[2][7] = {};
    std::map<WORD, GpBitmap*> glyphs_;
};

void drawCluster(HDC dc, const RECT& bounds, const ClusterModel& model, const ClusterPictures& pictures);

}  // namespace sondrel
