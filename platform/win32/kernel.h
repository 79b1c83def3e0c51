#pragma once
// Kernel objects: handles, events, threads and waits.

#include "win32/base.h"

#include <atomic>

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 4;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

BOOL CloseHandle(HANDLE handle);
BOOL DuplicateHandle(HANDLE, HANDLE source, HANDLE, HANDLE* target, DWORD, BOOL, DWORD);
HANDLE GetCurrentProcess();

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
// Ending a thread from outside is not possible here: the thread is abandoned (its handle is
// signalled with the given code at once and whatever it returns later is ignored).
BOOL TerminateThread(HANDLE thread, DWORD exitCode);
DWORD GetCurrentThreadId();
void ExitThread(DWORD exitCode);

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

namespace win32 {

// The base of every object a HANDLE names. Reference-counted: CloseHandle drops the caller's
// reference; a running thread holds one on its own object.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    void addRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release();
    // Waitable objects override both; they are called with the kernel lock held.
    virtual bool isSignaled() const { return false; }
    virtual void consume() {}
    virtual bool waitable() const { return false; }

private:
    std::atomic<int> refs_{1};
};

// Registers a handle for a new object; the handle owns the object's first reference.
HANDLE makeHandle(KernelObject* object);
// The object a handle names with a new reference, or nullptr (error 6) for a bad handle.
KernelObject* referenceHandle(HANDLE handle);

// Wakes every waiter after a waitable object became signalled.
void notifyWaiters();

// Something that must hear of every signal, e.g. a message pump waiting on handles and on
// its queue at once. Called from any thread, without the kernel lock held; signalled() must
// not add or remove observers.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    virtual void signalled() = 0;
};
void addWaitObserver(WaitObserver* observer);
void removeWaitObserver(WaitObserver* observer);

// Without blocking: the index of the first signalled handle (consuming an auto-reset event),
// WAIT_TIMEOUT if none is, WAIT_FAILED for a bad handle. waitAll needs every handle at once.
DWORD pollHandles(DWORD count, const HANDLE* handles, BOOL waitAll);

}  // namespace win32
