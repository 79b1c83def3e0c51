#pragma once
// The module's own artwork: cursors, toolbox bitmaps and the controls' pictures, drawn by code.

#include "gdi/gdi.h"

#include <cstdint>
#include <list>
#include <vector>

namespace sondrel {

// The module that holds this code: every resource is loaded from it.
HINSTANCE moduleInstance();

constexpr WORD IDC_SLIDER_HORIZONTAL = 213;
constexpr WORD IDC_SLIDER_VERTICAL = 215;
// Two pointing hands, for the controls that name one or the other.
constexpr WORD IDC_HAND_214 = 214;
constexpr WORD IDC_HAND_216 = 216;

// Pictures for the module's resource table, each kept alive with the table.
class Artwork {
public:
    // Pixels are straight 0xAARRGGBB, width x height, rows top-down.
    void add(gdi::ResourceType type, WORD id, int width, int height, std::vector<std::uint32_t> pixels,
             POINT hotSpot = {0, 0});
    const std::vector<gdi::Resource>& table() const { return table_; }

private:
    std::list<std::vector<std::uint32_t>> pictures_;
    std::vector<gdi::Resource> table_;
};

void addAudioSlidersBandsArtwork(Artwork& artwork);
void addAudioStepButtonType1Artwork(Artwork& artwork);
void addAudioVolumeButtonType1Artwork(Artwork& artwork);
void addAudioSliderType1Artwork(Artwork& artwork);
void addAudioPlayButtonType1Artwork(Artwork& artwork);

// Registers the resource table for the module (once; later calls do nothing).
void registerModuleResources();

}  // namespace sondrel
