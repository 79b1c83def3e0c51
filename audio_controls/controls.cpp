#include "controls.h"

#include <atomic>

namespace sondrel {

namespace {
std::atomic<long> live{0};
}  // namespace

bool controlAvailable(REFCLSID) { return false; }

HRESULT createControl(REFCLSID, REFIID, void** out) {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

long liveControls() { return live; }

}  // namespace sondrel
