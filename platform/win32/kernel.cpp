#include "win32/kernel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

namespace win32 {
namespace {

// One lock and one condition for every waitable object: waits here are few and short-lived,
// and a single lock makes waiting on several objects at once simple and race-free.
std::mutex& kernelLock() {
    static std::mutex m;
    return m;
}
std::condition_variable& kernelCond() {
    static std::condition_variable c;
    return c;
}

std::mutex& handleLock() {
    static std::mutex m;
    return m;
}
std::unordered_set<KernelObject*>& liveHandles() {
    static std::unordered_set<KernelObject*> s;
    return s;
}

std::mutex& observerLock() {
    static std::mutex m;
    return m;
}
std::vector<WaitObserver*>& observers() {
    static std::vector<WaitObserver*> v;
    return v;
}

class Event final : public KernelObject {
public:
    Event(bool manual, bool initial) : manual_(manual), signaled_(initial) {}
    bool isSignaled() const override { return signaled_; }
    void consume() override {
        if (!manual_) signaled_ = false;
    }
    bool waitable() const override { return true; }
    void set(bool on) { signaled_ = on; }

private:
    bool manual_;
    bool signaled_;
};

class Thread final : public KernelObject {
public:
    bool isSignaled() const override { return finished; }
    bool waitable() const override { return true; }

    LPTHREAD_START_ROUTINE start = nullptr;
    LPVOID param = nullptr;
    DWORD id = 0;
    bool finished = false;
    bool abandoned = false;
    bool suspended = false;
    DWORD exitCode = STILL_ACTIVE;
};

std::atomic<DWORD> nextThreadId{1000};
thread_local DWORD currentThreadId = 0;
thread_local Thread* currentThread = nullptr;

struct ExitThreadSignal {
    DWORD code;
};

void finishThread(Thread* t, DWORD code) {
    {
        std::lock_guard lock(kernelLock());
        if (!t->abandoned) t->exitCode = code;
        t->finished = true;
    }
    notifyWaiters();
    t->release();
}

void runThread(Thread* t) {
    currentThreadId = t->id;
    currentThread = t;
    {
        std::unique_lock lock(kernelLock());
        kernelCond().wait(lock, [t] { return !t->suspended; });
    }
    DWORD code = 0;
    try {
        code = t->start(t->param);
    } catch (const ExitThreadSignal& e) {
        code = e.code;
    }
    finishThread(t, code);
}

Event* asEvent(KernelObject* o) { return dynamic_cast<Event*>(o); }
Thread* asThread(KernelObject* o) { return dynamic_cast<Thread*>(o); }

}  // namespace

void KernelObject::release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

HANDLE makeHandle(KernelObject* object) {
    std::lock_guard lock(handleLock());
    liveHandles().insert(object);
    return object;
}

KernelObject* referenceHandle(HANDLE handle) {
    std::lock_guard lock(handleLock());
    auto* o = static_cast<KernelObject*>(handle);
    if (!handle || handle == INVALID_HANDLE_VALUE || !liveHandles().count(o)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    o->addRef();
    return o;
}

void notifyWaiters() {
    // Observers first: a waiter woken by this signal may rely on them having heard it. The lock
    // is held while calling, so that once removeWaitObserver returns no call is in flight.
    {
        std::lock_guard lock(observerLock());
        for (auto* o : observers()) o->signalled();
    }
    kernelCond().notify_all();
}

void addWaitObserver(WaitObserver* observer) {
    std::lock_guard lock(observerLock());
    observers().push_back(observer);
}

void removeWaitObserver(WaitObserver* observer) {
    std::lock_guard lock(observerLock());
    auto& v = observers();
    std::erase(v, observer);
}

namespace {
// With the kernel lock held.
DWORD pollLocked(const std::vector<KernelObject*>& objs, bool waitAll) {
    if (waitAll) {
        for (auto* o : objs)
            if (!o->isSignaled()) return WAIT_TIMEOUT;
        for (auto* o : objs) o->consume();
        return WAIT_OBJECT_0;
    }
    for (std::size_t i = 0; i < objs.size(); ++i) {
        if (objs[i]->isSignaled()) {
            objs[i]->consume();
            return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
    }
    return WAIT_TIMEOUT;
}

struct HandleRefs {
    std::vector<KernelObject*> objs;
    bool ok = true;
    HandleRefs(DWORD count, const HANDLE* handles) {
        for (DWORD i = 0; i < count; ++i) {
            KernelObject* o = referenceHandle(handles[i]);
            if (!o || !o->waitable()) {
                if (o) o->release();
                ok = false;
                SetLastError(ERROR_INVALID_HANDLE);
                return;
            }
            objs.push_back(o);
        }
    }
    ~HandleRefs() {
        for (auto* o : objs) o->release();
    }
};
}  // namespace

DWORD pollHandles(DWORD count, const HANDLE* handles, BOOL waitAll) {
    HandleRefs refs(count, handles);
    if (!refs.ok) return WAIT_FAILED;
    std::lock_guard lock(kernelLock());
    return pollLocked(refs.objs, waitAll);
}

}  // namespace win32

using namespace win32;

BOOL CloseHandle(HANDLE handle) {
    KernelObject* o;
    {
        std::lock_guard lock(handleLock());
        o = static_cast<KernelObject*>(handle);
        if (!handle || handle == INVALID_HANDLE_VALUE || !liveHandles().erase(o)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    o->release();
    return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL DuplicateHandle(HANDLE, HANDLE source, HANDLE, HANDLE* target, DWORD, BOOL, DWORD) {
    // Handles are shared objects here; a duplicate is the same object with one more reference,
    // released by the CloseHandle of the duplicate's holder.
    KernelObject* o = referenceHandle(source);
    if (!o || !target) {
        if (o) o->release();
        return FALSE;
    }
    *target = source;
    return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    return makeHandle(new Event(manualReset != FALSE, initialState != FALSE));
}

static BOOL setEventState(HANDLE event, bool on) {
    KernelObject* o = referenceHandle(event);
    Event* e = o ? asEvent(o) : nullptr;
    if (!e) {
        if (o) o->release();
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard lock(kernelLock());
        e->set(on);
    }
    if (on) notifyWaiters();
    o->release();
    return TRUE;
}

BOOL SetEvent(HANDLE event) { return setEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return setEventState(event, false); }

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID param, DWORD flags,
                    LPDWORD threadId) {
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* t = new Thread;
    t->start = start;
    t->param = param;
    t->id = nextThreadId.fetch_add(1);
    t->suspended = (flags & CREATE_SUSPENDED) != 0;
    t->addRef();  // the running thread's own reference
    HANDLE h = makeHandle(t);
    try {
        std::thread(runThread, t).detach();
    } catch (...) {
        CloseHandle(h);
        t->release();
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId) *threadId = t->id;
    return h;
}

DWORD ResumeThread(HANDLE thread) {
    KernelObject* o = referenceHandle(thread);
    Thread* t = o ? asThread(o) : nullptr;
    if (!t) {
        if (o) o->release();
        return static_cast<DWORD>(-1);
    }
    DWORD previous;
    {
        std::lock_guard lock(kernelLock());
        previous = t->suspended ? 1 : 0;
        t->suspended = false;
    }
    kernelCond().notify_all();
    o->release();
    return previous;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    KernelObject* o = referenceHandle(thread);
    Thread* t = o ? asThread(o) : nullptr;
    if (!t || !exitCode) {
        if (o) o->release();
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard lock(kernelLock());
        *exitCode = t->exitCode;
    }
    o->release();
    return TRUE;
}

BOOL TerminateThread(HANDLE thread, DWORD exitCode) {
    KernelObject* o = referenceHandle(thread);
    Thread* t = o ? asThread(o) : nullptr;
    if (!t) {
        if (o) o->release();
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard lock(kernelLock());
        if (!t->finished) {
            t->abandoned = true;
            t->exitCode = exitCode;
            t->finished = true;
        }
    }
    notifyWaiters();
    o->release();
    return TRUE;
}

DWORD GetCurrentThreadId() {
    if (currentThreadId == 0) currentThreadId = nextThreadId.fetch_add(1);
    return currentThreadId;
}

void ExitThread(DWORD exitCode) {
    // Unwinds to the thread's start; only threads made by CreateThread may call it.
    if (currentThread) throw ExitThreadSignal{exitCode};
    std::terminate();
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    HandleRefs refs(count, handles);
    if (!refs.ok) return WAIT_FAILED;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock lock(kernelLock());
    for (;;) {
        DWORD r = pollLocked(refs.objs, waitAll != FALSE);
        if (r != WAIT_TIMEOUT) return r;
        if (milliseconds == INFINITE) {
            kernelCond().wait(lock);
        } else if (kernelCond().wait_until(lock, deadline) == std::cv_status::timeout) {
            r = pollLocked(refs.objs, waitAll != FALSE);
            return r;
        }
    }
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}
