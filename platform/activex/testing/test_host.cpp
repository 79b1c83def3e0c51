#include "activex/testing/test_host.h"

#include <dlfcn.h>

namespace activex::testing {

namespace {

constexpr char kHostClass[] = "ActiveXTestHost";

const char* hostClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = kHostClass;
        RegisterClassA(&wc);
        return kHostClass;
    }();
    return name;
}

std::string narrow(LPCOLESTR s) { return com::toUtf8(std::u16string_view(s)); }

void dumpKey(HKEY key, const std::string& path, std::vector<std::string>* out) {
    if (!path.empty()) {
        out->push_back("[" + path + "]");
        for (DWORD i = 0;; ++i) {
            char name[512];
            DWORD nameSize = sizeof name;
            DWORD type = 0;
            BYTE data[4096];
            DWORD dataSize = sizeof data;
            if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
            std::string shown = nameSize ? std::string(name, nameSize) : "@";
            if (type == REG_SZ) {
                const DWORD length = dataSize && !data[dataSize - 1] ? dataSize - 1 : dataSize;
                out->push_back(shown + "=" + std::string(reinterpret_cast<char*>(data), length));
            } else {
                out->push_back(shown + "=type " + std::to_string(type));
            }
        }
    }
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY sub = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
        dumpKey(sub, path.empty() ? std::string(name) : path + "\\" + name, out);
        RegCloseKey(sub);
    }
}

}  // namespace

TestHost::TestHost(int width, int height) {
    CoInitialize(nullptr);
    window_ = CreateWindowExA(0, hostClass(), "host", WS_OVERLAPPED | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                              nullptr, nullptr, nullptr, nullptr);
    site_ = ControlSite::make();
}

TestHost::~TestHost() {
    site_->close();
    site_.reset();
    DestroyWindow(window_);
    pump();
    CoUninitialize();
}

HRESULT TestHost::create(REFCLSID clsid) { return site_->create(clsid); }

HRESULT TestHost::createAndActivate(REFCLSID clsid, const RECT& pos) {
    HRESULT hr = site_->create(clsid);
    if (FAILED(hr)) return hr;
    hr = site_->setExtentPixels(pos.right - pos.left, pos.bottom - pos.top);
    if (FAILED(hr)) return hr;
    return site_->activate(window_, pos);
}

void TestHost::pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

OffscreenDc::OffscreenDc(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
}

OffscreenDc::~OffscreenDc() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void OffscreenDc::fill(COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

com::ComPtr<RecordingPropertyBag> RecordingPropertyBag::make() {
    return com::ComPtr<RecordingPropertyBag>(new RecordingPropertyBag, false);
}

HRESULT RecordingPropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    const std::string key = narrow(name);
    reads_.push_back(key);
    for (auto& [n, v] : entries_)
        if (n == key) {
            VARTYPE wanted = value->vt;
            if (wanted == VT_EMPTY) return VariantCopy(value, &v);
            return VariantChangeType(value, &v, 0, wanted);
        }
    return E_INVALIDARG;
}

HRESULT RecordingPropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    const std::string key = narrow(name);
    com::Variant copy;
    VariantCopyInd(&copy, value);
    for (auto& [n, v] : entries_)
        if (n == key) {
            v = copy;
            return S_OK;
        }
    entries_.emplace_back(key, copy);
    return S_OK;
}

std::vector<std::string> registryDump(HKEY root) {
    std::vector<std::string> out;
    dumpKey(root, "", &out);
    return out;
}

HRESULT registerLibrary(const std::string& path, bool unregister) {
    // Straight through dlopen: the module header and the GDI header cannot share a file.
    void* lib = dlopen(path.c_str(), RTLD_NOW);
    if (!lib) return CO_E_DLLNOTFOUND;
    auto entry = reinterpret_cast<HRESULT (*)()>(dlsym(lib, unregister ? "DllUnregisterServer" : "DllRegisterServer"));
    HRESULT hr = entry ? entry() : CO_E_ERRORINDLL;
    dlclose(lib);
    return hr;
}

}  // namespace activex::testing
