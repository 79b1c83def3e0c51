#include "windows/internal.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include <unistd.h>

namespace windows::detail {
namespace {

struct Registry {
    std::map<HWND, std::shared_ptr<Window>> windows;  // handles only grow: this is creation order
    std::vector<std::shared_ptr<WindowClass>> classes;
    std::map<std::string, ATOM> atoms;  // class names and registered messages share one table
    std::uintptr_t nextHandle = 0x10000;
    unsigned nextAtom = 0xC000;
};

Registry& reg() {
    static auto* r = new Registry;
    return *r;
}

std::string folded(const char* s) {
    std::string out(s);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool isIntAtom(LPCSTR name) { return reinterpret_cast<std::uintptr_t>(name) < 0x10000; }

ATOM atomLocked(const char* name) {
    auto key = folded(name);
    auto& atoms = reg().atoms;
    auto it = atoms.find(key);
    if (it != atoms.end()) return it->second;
    if (reg().nextAtom > 0xFFFF) return 0;
    ATOM atom = static_cast<ATOM>(reg().nextAtom++);
    atoms.emplace(key, atom);
    return atom;
}

// The instance's own class first, then a global one, then any of that name.
std::shared_ptr<WindowClass> classLocked(LPCSTR name, HINSTANCE instance, bool exactOnly) {
    if (!name) return nullptr;
    auto same = [&](const WindowClass& c) {
        if (isIntAtom(name)) return c.atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
        return folded(c.name.c_str()) == folded(name);
    };
    std::shared_ptr<WindowClass> global, any;
    for (auto& c : reg().classes) {
        if (!same(*c)) continue;
        if (c->instance == instance) return c;
        if ((c->style & CS_GLOBALCLASS) && !global) global = c;
        if (!any) any = c;
    }
    if (exactOnly) return global;
    return global ? global : any;
}

POINT originLocked(const Window& w) {
    POINT p{w.rect.left, w.rect.top};
    for (auto parent = findLocked(w.parent); parent; parent = findLocked(parent->parent)) {
        p.x += parent->rect.left;
        p.y += parent->rect.top;
    }
    return p;
}

LONG width(const RECT& r) { return r.right - r.left; }
LONG height(const RECT& r) { return r.bottom - r.top; }

std::atomic<CursorSource> cursorSource{nullptr};
std::atomic<std::uint64_t> lastCursor{0};

void storeCursor(POINT p) {
    lastCursor.store((static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.x)) << 32) |
                     static_cast<std::uint32_t>(p.y));
}

std::atomic<DefaultPaint> defaultPaint{nullptr};

std::shared_ptr<Window> liveWindow(HWND hwnd) {
    auto w = findWindow(hwnd);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

void freeExtensions(std::map<int, Extension>& extensions) {
    for (auto& [slot, e] : extensions)
        if (e.value && e.destroy) e.destroy(e.value);
    extensions.clear();
}

void destroyOnOwner(const std::shared_ptr<Window>& w, bool created = true);

void destroyChildren(const std::shared_ptr<Window>& w) {
    std::vector<std::shared_ptr<Window>> children;
    {
        std::lock_guard lock(registryLock());
        for (HWND c : w->children)
            if (auto cw = findLocked(c)) children.push_back(cw);
    }
    for (auto& c : children) onOwner(c, [c] {
            destroyOnOwner(c);
            return LRESULT{0};
        });
}

// A window whose WM_NCCREATE failed was never created: it only hears WM_NCDESTROY.
void destroyOnOwner(const std::shared_ptr<Window>& w, bool created) {
    HWND hwnd = w->handle;
    std::vector<std::shared_ptr<Window>> owned;
    {
        std::lock_guard lock(registryLock());
        if (w->destroying) return;
        w->destroying = true;
        for (auto& [h, other] : reg().windows)
            if (other->owner == hwnd) owned.push_back(other);
    }
    for (auto& o : owned) onOwner(o, [o] {
            destroyOnOwner(o);
            return LRESULT{0};
        });
    ThreadQueue& q = *w->queue;
    if (q.capture == hwnd) q.capture = nullptr;
    if (q.focus == hwnd) q.focus = nullptr;

    if (created) callWindow(hwnd, WM_DESTROY, 0, 0);
    destroyChildren(w);
    callWindow(hwnd, WM_NCDESTROY, 0, 0);

    Presenter* presenter;
    {
        std::lock_guard lock(registryLock());
        presenter = w->presenter;
        w->presenter = nullptr;
    }
    // Told while the handle still answers, so that it can look at the window one last time.
    if (presenter) presenter->destroyed(hwnd);
    std::map<int, Extension> extensions;
    {
        std::lock_guard lock(registryLock());
        reg().windows.erase(hwnd);
        if (auto parent = findLocked(w->parent)) std::erase(parent->children, hwnd);
        w->cls->liveWindows--;
        extensions.swap(w->extensions);
    }
    killTimers(q, hwnd);
    forgetPaint(q, *w);
    {
        std::lock_guard lock(q.lock);
        std::erase_if(q.posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    }
    cancelSends(q, hwnd);
    freeExtensions(extensions);
}

void invalidateTree(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    std::vector<HWND> children;
    {
        std::lock_guard lock(registryLock());
        if (auto w = findLocked(hwnd)) children = w->children;
    }
    for (HWND c : children) invalidateTree(c);
}

// Changes visibility on the window's own thread; WM_SHOWWINDOW is the caller's business.
void setVisible(const std::shared_ptr<Window>& w, bool visible) {
    Presenter* presenter;
    {
        std::lock_guard lock(registryLock());
        if (visible)
            w->style |= WS_VISIBLE;
        else
            w->style &= ~WS_VISIBLE;
        presenter = w->presenter;
    }
    if (presenter) presenter->shown(w->handle, visible);
    if (visible) invalidateTree(w->handle);
}

LRESULT showOnOwner(const std::shared_ptr<Window>& w, int cmd) {
    bool show = cmd != SW_HIDE;
    bool was;
    {
        std::lock_guard lock(registryLock());
        was = (w->style & WS_VISIBLE) != 0;
    }
    if (was == show) return was;
    callWindow(w->handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    setVisible(w, show);
    return was;
}

LRESULT positionOnOwner(const std::shared_ptr<Window>& w, HWND after, int x, int y, int cx, int cy, UINT flags) {
    HWND hwnd = w->handle;
    WINDOWPOS wp{hwnd, after, x, y, cx, cy, flags};
    {
        std::lock_guard lock(registryLock());
        if (flags & SWP_NOMOVE) {
            wp.x = w->rect.left;
            wp.y = w->rect.top;
        }
        if (flags & SWP_NOSIZE) {
            wp.cx = width(w->rect);
            wp.cy = height(w->rect);
        }
    }
    callWindow(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    bool moved, sized;
    RECT onScreen;
    Presenter* presenter;
    {
        std::lock_guard lock(registryLock());
        RECT& r = w->rect;
        int newCx = std::max(0, wp.cx), newCy = std::max(0, wp.cy);
        moved = wp.x != r.left || wp.y != r.top;
        sized = newCx != width(r) || newCy != height(r);
        r = RECT{wp.x, wp.y, wp.x + newCx, wp.y + newCy};
        POINT o = originLocked(*w);
        onScreen = RECT{o.x, o.y, o.x + newCx, o.y + newCy};
        presenter = w->presenter;
    }
    if (flags & SWP_SHOWWINDOW) setVisible(w, true);
    if (flags & SWP_HIDEWINDOW) setVisible(w, false);
    wp.flags |= (moved ? 0 : SWP_NOCLIENTMOVE) | (sized ? 0 : SWP_NOCLIENTSIZE);
    callWindow(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if ((moved || sized) && presenter) presenter->moved(hwnd, onScreen);
    if (sized && !(flags & SWP_NOREDRAW)) InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

// Reads or writes one of the window's longs; nullopt-like failure is reported through ok.
LONG_PTR windowLong(HWND hwnd, int index, const LONG_PTR* value, bool* ok) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    *ok = false;
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR* field = nullptr;
    LONG_PTR scratch;
    switch (index) {
        case GWL_WNDPROC: {
            LONG_PTR old = reinterpret_cast<LONG_PTR>(w->proc);
            if (value) w->proc = reinterpret_cast<WNDPROC>(*value);
            *ok = true;
            return old;
        }
        case GWL_HINSTANCE: {
            LONG_PTR old = reinterpret_cast<LONG_PTR>(w->instance);
            if (value) w->instance = reinterpret_cast<HINSTANCE>(*value);
            *ok = true;
            return old;
        }
        case GWL_HWNDPARENT: {
            HWND& h = (w->style & WS_CHILD) ? w->parent : w->owner;
            LONG_PTR old = reinterpret_cast<LONG_PTR>(h);
            if (value && !(w->style & WS_CHILD)) h = reinterpret_cast<HWND>(*value);
            *ok = true;
            return old;
        }
        case GWL_STYLE:
        case GWL_EXSTYLE: {
            DWORD& s = index == GWL_STYLE ? w->style : w->exStyle;
            LONG_PTR old = static_cast<LONG>(s);
            if (value) s = static_cast<DWORD>(*value);
            *ok = true;
            return old;
        }
        case GWL_USERDATA:
            field = &w->userData;
            break;
        case GWL_ID:
            field = &w->id;
            break;
        default:
            if (index < 0 || index % 4 != 0 || static_cast<std::size_t>(index / 4) >= w->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            field = &w->extra[static_cast<std::size_t>(index / 4)];
    }
    scratch = *field;
    if (value) *field = *value;
    *ok = true;
    return scratch;
}

}  // namespace

std::mutex& registryLock() {
    static auto* m = new std::mutex;
    return *m;
}

std::shared_ptr<Window> findLocked(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto& windows = reg().windows;
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second;
}

std::shared_ptr<Window> findWindow(HWND hwnd) {
    std::lock_guard lock(registryLock());
    return findLocked(hwnd);
}

LRESULT callWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    {
        std::lock_guard lock(registryLock());
        auto w = findLocked(hwnd);
        if (!w) return 0;
        proc = w->proc;
    }
    return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool windowVisible(HWND hwnd) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w) return false;
    for (; w; w = findLocked(w->parent))
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

bool findPaint(ThreadQueue& q, const Filter& filter, HWND* out) {
    std::vector<HWND> pending;
    {
        std::lock_guard lock(q.lock);
        pending = q.paintPending;
    }
    for (HWND h : pending) {
        if (filter.matches(h, WM_PAINT) && windowVisible(h)) {
            *out = h;
            return true;
        }
    }
    return false;
}

void forgetPaint(ThreadQueue& q, Window& w) {
    std::lock_guard lock(q.lock);
    w.invalid = false;
    w.erase = false;
    w.update = RECT{};
    std::erase(q.paintPending, w.handle);
}

void noteInput(HWND hwnd, UINT msg, LPARAM lParam) {
    if (msg == WM_MOUSEWHEEL) {
        storeCursor(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return;
    }
    if (msg < WM_MOUSEMOVE || msg > WM_MBUTTONUP) return;
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w) return;
    POINT o = originLocked(*w);
    storeCursor(POINT{o.x + GET_X_LPARAM(lParam), o.y + GET_Y_LPARAM(lParam)});
}

POINT lastCursorPosition() {
    std::uint64_t v = lastCursor.load();
    return POINT{static_cast<LONG>(static_cast<std::uint32_t>(v >> 32)), static_cast<LONG>(static_cast<std::uint32_t>(v))};
}

POINT cursorPosition() {
    POINT p{};
    if (auto source = cursorSource.load(); source && source(&p)) return p;
    return lastCursorPosition();
}

void dropWindows(const ThreadQueue* queue) {
    std::vector<std::map<int, Extension>> extensions;
    {
        std::lock_guard lock(registryLock());
        auto& windows = reg().windows;
        for (auto it = windows.begin(); it != windows.end();) {
            auto& w = it->second;
            if (w->queue.get() != queue) {
                ++it;
                continue;
            }
            if (auto parent = findLocked(w->parent)) std::erase(parent->children, w->handle);
            w->cls->liveWindows--;
            extensions.push_back(std::move(w->extensions));
            it = windows.erase(it);
        }
    }
    for (auto& e : extensions) freeExtensions(e);
}

}  // namespace windows::detail

using namespace windows::detail;

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || !wc->lpszClassName || isIntAtom(wc->lpszClassName) || !*wc->lpszClassName || wc->cbWndExtra < 0 ||
        wc->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(registryLock());
    if (auto existing = classLocked(wc->lpszClassName, wc->hInstance, true)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = wc->lpszClassName;
    c->atom = atomLocked(wc->lpszClassName);
    if (!c->atom) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->clsExtra = wc->cbClsExtra;
    c->wndExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->smallIcon = wc->hIconSm;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    reg().classes.push_back(c);
    return c->atom;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXA ex{sizeof(WNDCLASSEXA), wc->style,   wc->lpfnWndProc,   wc->cbClsExtra,   wc->cbWndExtra,
                   wc->hInstance,       wc->hIcon,   wc->hCursor,       wc->hbrBackground, wc->lpszMenuName,
                   wc->lpszClassName,   nullptr};
    return RegisterClassExA(&ex);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    std::lock_guard lock(registryLock());
    auto c = classLocked(className, instance, false);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->liveWindows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase(reg().classes, c);
    return TRUE;
}

BOOL GetClassInfoExA(HINSTANCE instance, LPCSTR className, WNDCLASSEXA* out) {
    std::lock_guard lock(registryLock());
    auto c = classLocked(className, instance, false);
    if (!c || !out) {
        SetLastError(c ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *out = WNDCLASSEXA{sizeof(WNDCLASSEXA), c->style,        c->proc,       c->clsExtra, c->wndExtra,
                       c->instance,         c->icon,         c->cursor,     c->background, nullptr,
                       c->name.c_str(),     c->smallIcon};
    return c->atom;
}

UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(registryLock());
    return atomLocked(name);
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    auto q = currentQueue();
    auto w = std::make_shared<Window>();
    {
        std::lock_guard lock(registryLock());
        w->cls = classLocked(className, instance, false);
        if (!w->cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        if (parent == HWND_MESSAGE) {
            w->messageOnly = true;
        } else if (parent) {
            auto p = findLocked(parent);
            if (!p) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            if (style & WS_CHILD) {
                w->parent = parent;
            } else {
                while (p->parent) p = findLocked(p->parent);
                w->owner = p->handle;
            }
        } else if (style & WS_CHILD) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) width = height = 0;
        width = std::max(0, width);
        height = std::max(0, height);
        w->handle = reinterpret_cast<HWND>(reg().nextHandle);
        reg().nextHandle += 4;
        w->threadId = q->threadId;
        w->queue = q;
        w->proc = w->cls->proc;
        w->rect = RECT{x, y, x + width, y + height};
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
        w->instance = instance;
        if (style & WS_CHILD) w->id = reinterpret_cast<LONG_PTR>(menu);
        w->extra.assign(static_cast<std::size_t>((w->cls->wndExtra + 3) / 4), 0);
        w->cls->liveWindows++;
        reg().windows.emplace(w->handle, w);
        if (auto p = findLocked(w->parent)) p->children.push_back(w->handle);
    }
    HWND hwnd = w->handle;
    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), windowName,
                     className, exStyle};
    auto lp = reinterpret_cast<LPARAM>(&cs);
    if (!callWindow(hwnd, WM_NCCREATE, 0, lp)) {
        destroyOnOwner(w, false);
        return nullptr;
    }
    if (callWindow(hwnd, WM_CREATE, 0, lp) == -1) {
        destroyOnOwner(w);
        return nullptr;
    }
    if (!IsWindow(hwnd)) return nullptr;
    callWindow(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    callWindow(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    if (style & WS_VISIBLE) showOnOwner(w, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    if (w->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    destroyOnOwner(w);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return findWindow(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) { return windowVisible(hwnd) ? TRUE : FALSE; }

BOOL IsWindowEnabled(HWND hwnd) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    bool wasDisabled;
    {
        std::lock_guard lock(registryLock());
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (wasDisabled == !enable) return wasDisabled;
    SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

HWND GetParent(HWND hwnd) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND hwnd, HWND parent) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::shared_ptr<Window> p;
    if (parent && parent != HWND_MESSAGE) {
        p = findLocked(parent);
        for (auto a = p; a; a = findLocked(a->parent))
            if (a == w) p = nullptr;
        if (!p) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    HWND old = w->parent;
    if (auto o = findLocked(old)) std::erase(o->children, hwnd);
    w->parent = p ? parent : nullptr;
    w->messageOnly = parent == HWND_MESSAGE;
    if (p) p->children.push_back(hwnd);
    return old;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    auto w = liveWindow(hwnd);
    if (!w) return 0;
    if (processId) *processId = static_cast<DWORD>(getpid());
    return w->threadId;
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    bool ok;
    return windowLong(hwnd, index, nullptr, &ok);
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    bool ok;
    return windowLong(hwnd, index, &value, &ok);
}

LONG_PTR GetWindowLongA(HWND hwnd, int index) { return GetWindowLongPtrA(hwnd, index); }
LONG_PTR SetWindowLongA(HWND hwnd, int index, LONG_PTR value) { return SetWindowLongPtrA(hwnd, index, value); }

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCCREATE: {
            auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (cs && cs->lpszName) {
                std::lock_guard lock(registryLock());
                if (auto w = findLocked(hwnd)) w->text = cs->lpszName;
            }
            return TRUE;
        }
        case WM_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 0;
        case WM_PAINT:
            if (auto paint = defaultPaint.load())
                paint(hwnd);
            else
                ValidateRect(hwnd, nullptr);
            return 0;
        case WM_SETTEXT: {
            std::lock_guard lock(registryLock());
            auto w = findLocked(hwnd);
            if (!w) return FALSE;
            auto* text = reinterpret_cast<const char*>(lParam);
            w->text = text ? text : "";
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            if (!buffer || wParam == 0) return 0;
            std::lock_guard lock(registryLock());
            auto w = findLocked(hwnd);
            std::size_t n = w ? std::min<std::size_t>(w->text.size(), wParam - 1) : 0;
            if (n) std::memcpy(buffer, w->text.data(), n);
            buffer[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH: {
            std::lock_guard lock(registryLock());
            auto w = findLocked(hwnd);
            return w ? static_cast<LRESULT>(w->text.size()) : 0;
        }
        case WM_NCHITTEST:
            return HTCLIENT;
        case WM_MOUSEACTIVATE:
            return MA_ACTIVATE;
        case WM_WINDOWPOSCHANGED: {
            auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
            if (!wp) return 0;
            if (!(wp->flags & SWP_NOCLIENTSIZE)) SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(wp->cx, wp->cy));
            if (!(wp->flags & SWP_NOCLIENTMOVE)) SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(wp->x, wp->y));
            return 0;
        }
        default:
            return 0;
    }
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, width(w->rect), height(w->rect)};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w || !rect) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = originLocked(*w);
    *rect = RECT{o.x, o.y, o.x + width(w->rect), o.y + height(w->rect)};
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    return onOwner(w, [=] { return positionOnOwner(w, insertAfter, x, y, cx, cy, flags); }) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    return onOwner(w, [=] { return showOnOwner(w, cmd); }) ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    auto copied = SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer));
    return static_cast<int>(copied);
}

HWND SetFocus(HWND hwnd) {
    auto q = currentQueue();
    if (hwnd && !IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = IsWindow(q->focus) ? q->focus : nullptr;
    if (previous == hwnd) return previous;
    q->focus = hwnd;
    if (previous) SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous;
}

HWND GetFocus() {
    auto q = currentQueue();
    return IsWindow(q->focus) ? q->focus : nullptr;
}

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase) {
    if (!hwnd) return TRUE;
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    RECT client;
    GetClientRect(hwnd, &client);
    RECT area = client;
    if (rect && !IntersectRect(&area, rect, &client)) return TRUE;
    if (IsRectEmpty(&area)) return TRUE;
    ThreadQueue& q = *w->queue;
    {
        std::lock_guard lock(q.lock);
        if (w->invalid) {
            UnionRect(&w->update, &w->update, &area);
        } else {
            w->update = area;
            w->invalid = true;
            q.paintPending.push_back(hwnd);
        }
        if (erase) w->erase = true;
    }
    q.wake();
    windows::Presenter* shownBy;
    {
        std::lock_guard lock(registryLock());
        shownBy = w->presenter;
    }
    if (!shownBy) return TRUE;
    if (w->threadId == GetCurrentThreadId()) {
        shownBy->invalidated(hwnd, area);
    } else {
        postWork(w->queue, hwnd, [hwnd, area] {
            if (auto* p = windows::presenter(hwnd)) p->invalidated(hwnd, area);
            return LRESULT{0};
        });
    }
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, LPCRECT rect) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    ThreadQueue& q = *w->queue;
    bool all;
    {
        std::lock_guard lock(q.lock);
        if (!w->invalid) return TRUE;
        // The update area is kept as one rectangle: a part of it is validated only when what
        // remains is a rectangle again.
        RECT& u = w->update;
        all = !rect ||
              (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom);
        if (!all && rect->top <= u.top && rect->bottom >= u.bottom) {
            if (rect->left <= u.left && rect->right > u.left) u.left = rect->right;
            else if (rect->right >= u.right && rect->left < u.right) u.right = rect->left;
        } else if (!all && rect->left <= u.left && rect->right >= u.right) {
            if (rect->top <= u.top && rect->bottom > u.top) u.top = rect->bottom;
            else if (rect->bottom >= u.bottom && rect->top < u.bottom) u.bottom = rect->top;
        }
    }
    if (all) forgetPaint(q, *w);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    std::lock_guard lock(w->queue->lock);
    if (rect) *rect = w->invalid ? w->update : RECT{};
    return w->invalid ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    auto w = liveWindow(hwnd);
    if (!w) return FALSE;
    bool invalid;
    {
        std::lock_guard lock(w->queue->lock);
        invalid = w->invalid;
    }
    if (invalid && windowVisible(hwnd)) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HWND SetCapture(HWND hwnd) {
    auto q = currentQueue();
    if (!IsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    HWND previous = IsWindow(q->capture) ? q->capture : nullptr;
    q->capture = hwnd;
    if (previous && previous != hwnd)
        SendMessageA(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return previous;
}

BOOL ReleaseCapture() {
    auto q = currentQueue();
    HWND previous = IsWindow(q->capture) ? q->capture : nullptr;
    q->capture = nullptr;
    if (previous) SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    auto q = currentQueue();
    return IsWindow(q->capture) ? q->capture : nullptr;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *point = cursorPosition();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    storeCursor(POINT{x, y});
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w || !point) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = originLocked(*w);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w || !point) {
        SetLastError(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT o = originLocked(*w);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

HWND WindowFromPoint(POINT point) {
    std::lock_guard lock(registryLock());
    auto& windows = reg().windows;
    auto contains = [&](const Window& w) {
        POINT o = originLocked(w);
        return point.x >= o.x && point.x < o.x + width(w.rect) && point.y >= o.y && point.y < o.y + height(w.rect);
    };
    std::shared_ptr<Window> hit;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        auto& w = it->second;
        if (!w->parent && !w->messageOnly && (w->style & WS_VISIBLE) && contains(*w)) {
            hit = w;
            break;
        }
    }
    while (hit) {
        std::shared_ptr<Window> deeper;
        for (auto c = hit->children.rbegin(); c != hit->children.rend() && !deeper; ++c) {
            auto cw = findLocked(*c);
            if (cw && (cw->style & WS_VISIBLE) && contains(*cw)) deeper = cw;
        }
        if (!deeper) return hit->handle;
        hit = deeper;
    }
    return nullptr;
}

namespace windows {

void setPresenter(HWND hwnd, Presenter* p) {
    std::lock_guard lock(registryLock());
    if (auto w = findLocked(hwnd)) w->presenter = p;
}

Presenter* presenter(HWND hwnd) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    return w ? w->presenter : nullptr;
}

void* windowExtension(HWND hwnd, int slot) {
    std::lock_guard lock(registryLock());
    auto w = findLocked(hwnd);
    if (!w) return nullptr;
    auto it = w->extensions.find(slot);
    return it == w->extensions.end() ? nullptr : it->second.value;
}

void setWindowExtension(HWND hwnd, int slot, void* value, void (*destroy)(void*)) {
    // A value that cannot be kept (the window is gone) is freed at once, like a replaced one.
    Extension old{value, destroy};
    {
        std::lock_guard lock(registryLock());
        if (auto w = findLocked(hwnd)) {
            auto& e = w->extensions[slot];
            old = e;
            e = Extension{value, destroy};
        }
    }
    if (old.value && old.destroy && (old.value != value || !IsWindow(hwnd))) old.destroy(old.value);
}

void setCursorSource(CursorSource source) { cursorSource.store(source); }

bool takeUpdateRect(HWND hwnd, RECT* area, bool* erase) {
    auto w = findWindow(hwnd);
    if (!w) return false;
    ThreadQueue& q = *w->queue;
    {
        std::lock_guard lock(q.lock);
        if (area) *area = w->invalid ? w->update : RECT{};
        if (erase) *erase = w->invalid && w->erase;
        if (!w->invalid) return false;
    }
    forgetPaint(q, *w);
    return true;
}

void setDefaultPaint(DefaultPaint paint) { defaultPaint.store(paint); }

}  // namespace windows
