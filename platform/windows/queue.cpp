#include "windows/internal.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <unordered_map>

#include <sys/types.h>
#include <unistd.h>

namespace windows::detail {
namespace {

std::mutex& queuesLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>>& queues() {
    static auto* q = new std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>>;
    return *q;
}

// A pump of ours running g_main_context_iteration: while it does, the queue's GSource leaves
// posted messages, timers and paint to the pump (which takes them itself, filtered) and only
// tells GLib how long it may sleep.
struct PumpFrame {
    int depth;
    const Filter* filter;
    std::uint64_t deadline;  // 0: none
};
thread_local std::vector<PumpFrame> pumpFrames;
thread_local int servingSent = 0;

const PumpFrame* pumpAt(int depth) {
    if (pumpFrames.empty() || pumpFrames.back().depth != depth) return nullptr;
    return &pumpFrames.back();
}

std::uint64_t now() { return win32::monotonicMilliseconds(); }

void complete(const std::shared_ptr<SentRecord>& record, LRESULT result) {
    if (!record->sender) return;
    {
        std::lock_guard lock(record->sender->lock);
        record->result = result;
        record->done = true;
    }
    record->sender->changed.notify_all();
}

bool serveSent(ThreadQueue& q) {
    bool served = false;
    for (;;) {
        std::shared_ptr<SentRecord> record;
        {
            std::lock_guard lock(q.lock);
            if (q.sent.empty()) return served;
            record = std::move(q.sent.front());
            q.sent.pop_front();
        }
        served = true;
        bool waited = record->sender != nullptr;
        if (waited) ++servingSent;
        LRESULT result = record->work();
        if (waited) --servingSent;
        complete(record, result);
    }
}

// The earliest due time of the timers a filter takes (UINT64_MAX when none).
std::uint64_t nextTimer(ThreadQueue& q, const Filter* filter) {
    std::uint64_t next = UINT64_MAX;
    if (filter && !filter->timers) return next;
    std::lock_guard lock(q.lock);
    for (const auto& t : q.timers)
        if (!filter || filter->matches(t.hwnd, WM_TIMER)) next = std::min(next, t.due);
    return next;
}

// Takes (or with remove false, looks at) the next message a filter accepts, in the platform's
// order: posted messages, the quit request, paint, timers.
bool take(ThreadQueue& q, const Filter& f, bool remove, MSG* out) {
    MSG m{};
    if (out) {
        m.time = GetTickCount();
        m.pt = lastCursorPosition();
    }
    {
        std::lock_guard lock(q.lock);
        if (f.posted) {
            for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
                if (!f.matches(it->hwnd, it->message)) continue;
                if (out) *out = *it;
                if (remove) q.posted.erase(it);
                return true;
            }
        }
        if (f.takeQuit && q.quit) {
            m.message = WM_QUIT;
            m.wParam = static_cast<WPARAM>(q.quitCode);
            if (out) *out = m;
            if (remove) q.quit = false;
            return true;
        }
    }
    if (f.paint) {
        HWND hwnd = nullptr;
        if (findPaint(q, f, &hwnd)) {
            m.hwnd = hwnd;
            m.message = WM_PAINT;
            if (out) *out = m;
            return true;
        }
    }
    if (f.timers) {
        std::uint64_t t0 = now();
        std::lock_guard lock(q.lock);
        for (auto& t : q.timers) {
            if (t.due > t0 || !f.matches(t.hwnd, WM_TIMER)) continue;
            m.hwnd = t.hwnd;
            m.message = WM_TIMER;
            m.wParam = t.id;
            m.lParam = reinterpret_cast<LPARAM>(t.proc);
            if (out) *out = m;
            if (remove) t.due = t0 + t.elapse;
            return true;
        }
    }
    return false;
}

// The queue's place in its GMainContext. Under a plain GLib loop (no pump of ours iterating at
// this depth) it dispatches everything a GetMessage loop would; under our pumps it only serves
// sent messages and bounds the sleep by the next timer and the pump's deadline.
struct QueueSource {
    GSource base;
    ThreadQueue* queue;
};

Filter& everything() {
    static Filter* f = [] {
        auto* all = new Filter;
        all->takeQuit = false;
        return all;
    }();
    return *f;
}

bool sentWaiting(ThreadQueue& q) {
    std::lock_guard lock(q.lock);
    return !q.sent.empty();
}

gint timeoutUntil(std::uint64_t when) {
    if (when == UINT64_MAX) return -1;
    std::uint64_t t = now();
    if (when <= t) return 0;
    return static_cast<gint>(std::min<std::uint64_t>(when - t, G_MAXINT));
}

gboolean sourceReady(ThreadQueue& q) {
    if (sentWaiting(q)) return TRUE;
    if (pumpAt(g_main_depth())) return FALSE;
    return take(q, everything(), false, nullptr);
}

gboolean sourcePrepare(GSource* source, gint* timeout) {
    ThreadQueue& q = *reinterpret_cast<QueueSource*>(source)->queue;
    const PumpFrame* frame = pumpAt(g_main_depth());
    std::uint64_t wake = nextTimer(q, frame ? frame->filter : nullptr);
    if (frame && frame->deadline) wake = std::min(wake, frame->deadline);
    *timeout = timeoutUntil(wake);
    return sourceReady(q);
}

gboolean sourceCheck(GSource* source) { return sourceReady(*reinterpret_cast<QueueSource*>(source)->queue); }

gboolean sourceDispatch(GSource* source, GSourceFunc, gpointer) {
    ThreadQueue& q = *reinterpret_cast<QueueSource*>(source)->queue;
    serveSent(q);
    // Dispatched one level below whoever iterates; a pump of ours at that level takes its own.
    if (pumpAt(g_main_depth() - 1)) return G_SOURCE_CONTINUE;
    MSG m;
    if (take(q, everything(), true, &m)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return G_SOURCE_CONTINUE;
}

GSourceFuncs sourceFuncs = {sourcePrepare, sourceCheck, sourceDispatch, nullptr, nullptr, nullptr};

bool isMainThread() { return gettid() == getpid(); }

void teardown(const std::shared_ptr<ThreadQueue>& q) {
    {
        std::lock_guard lock(queuesLock());
        queues().erase(q->threadId);
    }
    std::deque<std::shared_ptr<SentRecord>> pending;
    {
        std::lock_guard lock(q->lock);
        q->alive = false;
        pending.swap(q->sent);
        q->posted.clear();
        q->timers.clear();
        q->paintPending.clear();
    }
    // Windows first, so that a released sender finds them gone.
    dropWindows(q.get());
    for (auto& r : pending) complete(r, 0);
    g_source_destroy(q->source);
    g_source_unref(q->source);
    q->source = nullptr;
    g_main_context_unref(q->context);
    q->context = nullptr;
}

struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (queue) teardown(queue);
    }
};
thread_local QueueHolder holder;

// Wakes every pump waiting in MsgWaitForMultipleObjects when any kernel object is signalled.
class HandleWaker final : public win32::WaitObserver {
public:
    void signalled() override {
        std::lock_guard lock(m_);
        for (auto* c : contexts_) g_main_context_wakeup(c);
    }
    void add(GMainContext* c) {
        std::lock_guard lock(m_);
        contexts_.insert(c);
    }
    void remove(GMainContext* c) {
        std::lock_guard lock(m_);
        contexts_.erase(contexts_.find(c));
    }

private:
    std::mutex m_;
    std::multiset<GMainContext*> contexts_;
};

HandleWaker& handleWaker() {
    static HandleWaker* w = [] {
        auto* waker = new HandleWaker;
        win32::addWaitObserver(waker);
        return waker;
    }();
    return *w;
}

struct HandleWait {
    GMainContext* context;
    explicit HandleWait(GMainContext* c) : context(c) { handleWaker().add(c); }
    ~HandleWait() { handleWaker().remove(context); }
};

bool iterate(ThreadQueue& q, const Filter* filter, std::uint64_t deadline, bool block) {
    pumpFrames.push_back({g_main_depth(), filter, deadline});
    bool dispatched = g_main_context_iteration(q.context, block) != FALSE;
    pumpFrames.pop_back();
    return dispatched;
}

bool makeFilter(HWND hwnd, UINT min, UINT max, Filter* f) {
    f->min = min;
    f->max = max;
    if (!hwnd) return true;
    if (hwnd == reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) {
        f->threadOnly = true;
        return true;
    }
    std::lock_guard lock(registryLock());
    if (!findLocked(hwnd)) return false;
    f->family.push_back(hwnd);
    for (std::size_t i = 0; i < f->family.size(); ++i) {
        auto w = findLocked(f->family[i]);
        if (w) f->family.insert(f->family.end(), w->children.begin(), w->children.end());
    }
    return true;
}

std::atomic<UINT_PTR> nextThreadTimer{1};

}  // namespace

bool Filter::matches(HWND hwnd, UINT message) const {
    if ((min || max) && (message < min || message > max)) return false;
    if (threadOnly) return hwnd == nullptr;
    if (!family.empty()) return std::find(family.begin(), family.end(), hwnd) != family.end();
    return true;
}

void ThreadQueue::wake() {
    changed.notify_all();
    if (context) g_main_context_wakeup(context);
}

std::shared_ptr<ThreadQueue> currentQueue() {
    if (holder.queue) return holder.queue;
    auto q = std::make_shared<ThreadQueue>();
    q->threadId = GetCurrentThreadId();
    // A worker without a context of its own gets a private one: sharing the global default
    // context with the main thread would make the two fight over it.
    GMainContext* c = g_main_context_get_thread_default();
    if (c)
        g_main_context_ref(c);
    else if (isMainThread())
        c = g_main_context_ref(g_main_context_default());
    else
        c = g_main_context_new();
    q->context = c;
    q->source = g_source_new(&sourceFuncs, sizeof(QueueSource));
    reinterpret_cast<QueueSource*>(q->source)->queue = q.get();
    g_source_set_can_recurse(q->source, TRUE);
    g_source_set_name(q->source, "window messages");
    g_source_attach(q->source, c);
    {
        std::lock_guard lock(queuesLock());
        queues()[q->threadId] = q;
    }
    holder.queue = q;
    return q;
}

std::shared_ptr<ThreadQueue> queueOf(DWORD threadId) {
    std::lock_guard lock(queuesLock());
    auto it = queues().find(threadId);
    return it == queues().end() ? nullptr : it->second;
}

LRESULT sendAcross(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, std::function<LRESULT()> work) {
    auto me = currentQueue();
    auto record = std::make_shared<SentRecord>();
    record->work = std::move(work);
    record->target = hwnd;
    record->sender = me;
    {
        std::lock_guard lock(target->lock);
        if (!target->alive) return 0;
        target->sent.push_back(record);
    }
    target->wake();
    std::unique_lock lock(me->lock);
    for (;;) {
        if (record->done) return record->result;
        if (!me->sent.empty()) {
            lock.unlock();
            serveSent(*me);
            lock.lock();
            continue;
        }
        me->changed.wait(lock);
    }
}

void postWork(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, std::function<LRESULT()> work) {
    auto record = std::make_shared<SentRecord>();
    record->work = std::move(work);
    record->target = hwnd;
    {
        std::lock_guard lock(target->lock);
        if (!target->alive) return;
        target->sent.push_back(record);
    }
    target->wake();
}

LRESULT onOwner(const std::shared_ptr<Window>& window, std::function<LRESULT()> work) {
    if (window->threadId == GetCurrentThreadId()) return work();
    return sendAcross(window->queue, window->handle, std::move(work));
}

void cancelSends(ThreadQueue& q, HWND hwnd) {
    std::vector<std::shared_ptr<SentRecord>> cancelled;
    {
        std::lock_guard lock(q.lock);
        for (auto it = q.sent.begin(); it != q.sent.end();) {
            if ((*it)->target == hwnd) {
                cancelled.push_back(std::move(*it));
                it = q.sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& r : cancelled) complete(r, 0);
}

void killTimers(ThreadQueue& q, HWND hwnd) {
    std::lock_guard lock(q.lock);
    std::erase_if(q.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace windows::detail

using namespace windows::detail;

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> q;
    if (!hwnd) {
        q = currentQueue();
    } else {
        auto w = findWindow(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        q = w->queue;
        noteInput(hwnd, msg, lParam);
    }
    MSG m{hwnd, msg, wParam, lParam, GetTickCount(), lastCursorPosition()};
    {
        std::lock_guard lock(q->lock);
        if (!q->alive) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        q->posted.push_back(m);
    }
    q->wake();
    return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto q = queueOf(threadId);
    if (!q) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    MSG m{nullptr, msg, wParam, lParam, GetTickCount(), lastCursorPosition()};
    {
        std::lock_guard lock(q->lock);
        if (!q->alive) {
            SetLastError(ERROR_INVALID_THREAD_ID);
            return FALSE;
        }
        q->posted.push_back(m);
    }
    q->wake();
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto w = findWindow(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    noteInput(hwnd, msg, lParam);
    if (w->threadId == GetCurrentThreadId()) return callWindow(hwnd, msg, wParam, lParam);
    return sendAcross(w->queue, hwnd, [=] { return callWindow(hwnd, msg, wParam, lParam); });
}

BOOL InSendMessage() { return servingSent > 0 ? TRUE : FALSE; }

void PostQuitMessage(int exitCode) {
    auto q = currentQueue();
    {
        std::lock_guard lock(q->lock);
        q->quit = true;
        q->quitCode = exitCode;
    }
    q->wake();
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT remove) {
    auto q = currentQueue();
    Filter f;
    if (!makeFilter(hwnd, filterMin, filterMax, &f)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool removing = (remove & PM_REMOVE) != 0;
    serveSent(*q);
    if (take(*q, f, removing, msg)) return TRUE;
    // Lets GLib sources (sockets, the display) feed the queue before answering "nothing".
    iterate(*q, &f, 0, false);
    serveSent(*q);
    return take(*q, f, removing, msg) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    auto q = currentQueue();
    Filter f;
    if (!msg || !makeFilter(hwnd, filterMin, filterMax, &f)) {
        SetLastError(msg ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return -1;
    }
    for (;;) {
        serveSent(*q);
        if (take(*q, f, true, msg)) return msg->message == WM_QUIT ? FALSE : TRUE;
        iterate(*q, &f, 0, true);
    }
}

// Characters arrive as WM_CHAR from whoever presents the window, so there is nothing to add.
BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        // Only a proc that a live timer names is called: lParam of a posted message is anything.
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        auto q = currentQueue();
        bool known;
        {
            std::lock_guard lock(q->lock);
            known = std::any_of(q->timers.begin(), q->timers.end(), [&](const Timer& t) {
                return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
            });
        }
        if (known) proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    auto w = findWindow(msg->hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (w->threadId != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    return callWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                DWORD wakeMask) {
    if (count >= MAXIMUM_WAIT_OBJECTS || (count && !handles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    auto q = currentQueue();
    Filter input;
    input.posted = (wakeMask & (QS_POSTMESSAGE | QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON)) != 0;
    input.takeQuit = input.posted;
    input.timers = (wakeMask & QS_TIMER) != 0;
    input.paint = (wakeMask & QS_PAINT) != 0;
    std::uint64_t deadline = milliseconds == INFINITE ? 0 : now() + milliseconds;
    HandleWait registration(q->context);
    for (;;) {
        serveSent(*q);
        if (count) {
            DWORD r = win32::pollHandles(count, handles, waitAll);
            if (r != WAIT_TIMEOUT) return r;
        }
        if (take(*q, input, false, nullptr)) return WAIT_OBJECT_0 + count;
        if (deadline && now() >= deadline) return WAIT_TIMEOUT;
        iterate(*q, &input, deadline, true);
    }
}

BOOL WaitMessage() {
    return MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT) == WAIT_FAILED ? FALSE : TRUE;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    std::shared_ptr<ThreadQueue> q;
    if (hwnd) {
        auto w = findWindow(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        q = w->queue;
    } else {
        q = currentQueue();
    }
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    UINT_PTR result;
    {
        std::lock_guard lock(q->lock);
        auto it = std::find_if(q->timers.begin(), q->timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it == q->timers.end() && !hwnd) {
            do id = nextThreadTimer.fetch_add(1);
            while (std::any_of(q->timers.begin(), q->timers.end(),
                               [&](const Timer& t) { return !t.hwnd && t.id == id; }));
        }
        if (it == q->timers.end()) it = q->timers.insert(q->timers.end(), Timer{hwnd, id, 0, nullptr, 0});
        it->elapse = elapse;
        it->proc = proc;
        it->due = now() + elapse;
        result = id ? id : 1;
    }
    q->wake();
    return result;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    std::shared_ptr<ThreadQueue> q;
    if (hwnd) {
        auto w = findWindow(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        q = w->queue;
    } else {
        q = currentQueue();
    }
    std::lock_guard lock(q->lock);
    auto n = std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return n ? TRUE : FALSE;
}

namespace windows {

bool pumpOnce(bool mayBlock) {
    auto q = currentQueue();
    Filter all;
    all.takeQuit = false;
    auto dispatchOne = [&] {
        MSG m;
        if (!take(*q, all, true, &m)) return false;
        TranslateMessage(&m);
        DispatchMessageA(&m);
        return true;
    };
    bool did = serveSent(*q);
    if (dispatchOne()) return true;
    did = iterate(*q, &all, 0, mayBlock) || did;
    did = serveSent(*q) || did;
    return dispatchOne() || did;
}

GMainContext* threadContext() { return currentQueue()->context; }

GMainContext* windowContext(HWND hwnd) {
    auto w = findWindow(hwnd);
    if (!w) return nullptr;
    // A queue still listed has not let go of its context yet.
    std::lock_guard lock(queuesLock());
    auto it = queues().find(w->threadId);
    if (it == queues().end() || it->second != w->queue) return nullptr;
    return g_main_context_ref(w->queue->context);
}

}  // namespace windows
