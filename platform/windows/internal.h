#pragma once
// Shared state of the window layer. Two kinds of lock, never held while calling out (window
// procedures, presenters, GLib): the registry lock for windows, classes and atoms, and each
// thread queue's own lock for its messages, timers and paint state. When both are needed the
// registry lock is taken first.

#include "windows/windows.h"

#include <glib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace windows::detail {

struct ThreadQueue;

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    int liveWindows = 0;
};

struct Extension {
    void* value = nullptr;
    void (*destroy)(void*) = nullptr;
};

struct Window {
    HWND handle = nullptr;
    DWORD threadId = 0;
    std::shared_ptr<ThreadQueue> queue;
    std::shared_ptr<WindowClass> cls;

    // Guarded by the registry lock.
    WNDPROC proc = nullptr;
    RECT rect{};  // in the parent's client coordinates, or on the screen for a top-level window
    HWND parent = nullptr;
    HWND owner = nullptr;
    bool messageOnly = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    HINSTANCE instance = nullptr;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    // Extra window bytes as 4-byte-indexed cells, each wide enough for a pointer, so that code
    // written for 32-bit longs can keep pointers in them.
    std::vector<LONG_PTR> extra;
    std::string text;
    std::vector<HWND> children;
    bool destroying = false;
    Presenter* presenter = nullptr;
    std::map<int, Extension> extensions;

    // Guarded by the owning queue's lock.
    bool invalid = false;
    bool erase = false;
    RECT update{};
};

// A piece of work run on a queue's thread: a sent message, or an operation carried over from
// another thread. The sender, when there is one, blocks until `done`.
struct SentRecord {
    std::function<LRESULT()> work;
    HWND target = nullptr;
    std::shared_ptr<ThreadQueue> sender;
    LRESULT result = 0;
    bool done = false;  // guarded by the sender's lock
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    UINT elapse = 0;
    TIMERPROC proc = nullptr;
    std::uint64_t due = 0;
};

struct ThreadQueue {
    DWORD threadId = 0;
    GMainContext* context = nullptr;
    GSource* source = nullptr;

    std::mutex lock;
    std::condition_variable changed;  // a blocked sender waits here for its reply or for work
    std::deque<MSG> posted;
    std::deque<std::shared_ptr<SentRecord>> sent;
    std::vector<Timer> timers;
    std::vector<HWND> paintPending;  // windows with an invalid area, in order of invalidation
    bool quit = false;
    int quitCode = 0;
    bool alive = true;

    // Touched by the owning thread only.
    HWND capture = nullptr;
    HWND focus = nullptr;

    void wake();
};

// Which messages a pump takes.
struct Filter {
    bool threadOnly = false;
    std::vector<HWND> family;  // a window and its descendants; empty means every window
    UINT min = 0;
    UINT max = 0;
    bool takeQuit = true;
    bool timers = true;
    bool paint = true;
    bool posted = true;
    bool matches(HWND hwnd, UINT message) const;
};

std::mutex& registryLock();
// Everything below that returns a window takes the registry lock itself.
std::shared_ptr<Window> findWindow(HWND hwnd);
// The same with the registry lock already held.
std::shared_ptr<Window> findLocked(HWND hwnd);

std::shared_ptr<ThreadQueue> currentQueue();
std::shared_ptr<ThreadQueue> queueOf(DWORD threadId);

// Calls the window's current procedure on this thread (0 for a window that is gone).
LRESULT callWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Runs work on the queue's thread and waits for it, serving work sent to this thread meanwhile.
// 0 when the queue's thread is gone or the target window is destroyed first.
LRESULT sendAcross(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, std::function<LRESULT()> work);
// Queues work on the queue's thread without waiting.
void postWork(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, std::function<LRESULT()> work);
// Runs work for a window on its own thread (directly when that is this thread).
LRESULT onOwner(const std::shared_ptr<Window>& window, std::function<LRESULT()> work);
// Releases every sender waiting on a window that is being destroyed.
void cancelSends(ThreadQueue& queue, HWND hwnd);
void killTimers(ThreadQueue& queue, HWND hwnd);

// Paint state shared by the pumps and the window functions.
bool windowVisible(HWND hwnd);
bool findPaint(ThreadQueue& queue, const Filter& filter, HWND* out);
void forgetPaint(ThreadQueue& queue, Window& window);

// Records where input puts the pointer, from a mouse message bound for a window.
void noteInput(HWND hwnd, UINT msg, LPARAM lParam);
// The pointer as the display's layer tells it, else where input last put it.
POINT cursorPosition();
// Where input last put the pointer: what messages carry, without asking the display each time.
POINT lastCursorPosition();

// Frees the windows of a thread that ended without destroying them.
void dropWindows(const ThreadQueue* queue);

}  // namespace windows::detail
