#pragma once
// A host for control tests: an apartment, a top-level window to activate controls in, and one
// control site; an offscreen DC to draw into; a property bag that keeps its entries in order;
// a text dump of a registry tree; registration of a control library by path.

#include "activex/container.h"
#include "gdi/gdi.h"
#include "win32/registry.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace activex::testing {

class TestHost {
public:
    // Enters an apartment and makes a visible top-level window of the given client size.
    explicit TestHost(int width = 400, int height = 300);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    HWND window() const { return window_; }
    ControlSite& site() { return *site_.get(); }

    // Creates the control, sets its extent and activates it at (left, top) with that size.
    HRESULT create(REFCLSID clsid);
    HRESULT createAndActivate(REFCLSID clsid, const RECT& pos);
    // Runs this thread's pending messages.
    void pump();

private:
    HWND window_ = nullptr;
    com::ComPtr<ControlSite> site_;
};

// A 32-bit memory DC with a bitmap of its own, for IViewObject::Draw.
class OffscreenDc {
public:
    OffscreenDc(int width, int height);
    ~OffscreenDc();
    OffscreenDc(const OffscreenDc&) = delete;
    OffscreenDc& operator=(const OffscreenDc&) = delete;
    HDC dc() const { return dc_; }
    COLORREF pixel(int x, int y) const { return GetPixel(dc_, x, y); }
    void fill(COLORREF color);

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    int width_, height_;
};

// A property bag that answers reads from what was written and records every write and read.
class RecordingPropertyBag final : public com::SingleInterfaceObject<IPropertyBag> {
public:
    static com::ComPtr<RecordingPropertyBag> make();
    HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT Write(LPCOLESTR name, VARIANT* value) override;

    // Names and values in the order written (a name written again keeps its place).
    const std::vector<std::pair<std::string, com::Variant>>& entries() const { return entries_; }
    const std::vector<std::string>& reads() const { return reads_; }

private:
    bool offers(REFIID riid) const override { return riid == IID_IPropertyBag; }

    std::vector<std::pair<std::string, com::Variant>> entries_;
    std::vector<std::string> reads_;
};

// Every key below root as "[path]" followed by its values as "name=text" ("@" for the default
// value), keys in name order; REG_SZ values as their text, others as "type N".
std::vector<std::string> registryDump(HKEY root);

// Loads the library and calls its DllRegisterServer or DllUnregisterServer.
HRESULT registerLibrary(const std::string& path, bool unregister = false);

}  // namespace activex::testing
