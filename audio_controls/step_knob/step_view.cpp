#include "step_knob/step_view.h"

#include "offscreen_canvas.h"
#include "resources.h"

#include <cmath>
#include <numbers>

namespace sondrel {

void drawStepKnob(HDC dc, const RECT& bounds, const StepKnobModel& model,
                  const std::array<GpBitmap*, StepKnobModel::kFrames>& frames) {
    const int w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (w <= 0 || h <= 0) return;
    OffscreenCanvas canvas(w, h);
    canvas.drawScaled(frames[model.frame()]);
    canvas.tint(model.color);
    canvas.clearOutsideEllipse(model.backColor);
    canvas.copyTo(dc, bounds.left, bounds.top);
}

namespace {

// A ridged disc, light to dark; the ridges repeat every 45 degrees and each frame turns them
// 5 degrees further.
std::vector<std::uint32_t> framePicture(int frame) {
    constexpr int n = StepKnobModel::kSize;
    std::vector<std::uint32_t> px(n * n, 0xFFFFFFFFu);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double dx = x + 0.5 - n / 2.0, dy = n / 2.0 - y - 0.5;
            const double r = std::hypot(dx, dy);
            if (r > n / 2.0) continue;
            double degrees = std::atan2(dy, dx) * 180 / std::numbers::pi + 360 + frame * 5;
            int grey = 200 - static_cast<int>(r);
            if (r > 40 && std::fmod(degrees, 45.0) < 6) grey = 120;
            if (r > 47) grey = 140;
            const auto g = static_cast<std::uint32_t>(grey);
            px[y * n + x] = 0xFF000000u | g << 16 | g << 8 | g;
        }
    return px;
}

}  // namespace

void addAudioStepButtonType1Artwork(Artwork& artwork) {
    for (int frame = 0; frame < StepKnobModel::kFrames; ++frame)
        artwork.add(gdi::ResourceType::Bitmap, kStepKnobFrames[frame], StepKnobModel::kSize, StepKnobModel::kSize,
                    framePicture(frame));
}

}  // namespace sondrel
