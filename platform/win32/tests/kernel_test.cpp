#include "win32/kernel.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

DWORD returnParam(LPVOID p) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(p)); }

DWORD waitThenReturn(LPVOID p) {
    WaitForSingleObject(static_cast<HANDLE>(p), INFINITE);
    return 7;
}

TEST(Kernel, ThreadExitCodeAndWait) {
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, returnParam, reinterpret_cast<LPVOID>(42), 0, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_TRUE(CloseHandle(t));
    EXPECT_FALSE(CloseHandle(t));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Kernel, EventsAutoAndManualReset) {
    HANDLE autoEv = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 10), WAIT_TIMEOUT);
    SetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    HANDLE both[] = {autoEv, manual};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    SetEvent(autoEv);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    CloseHandle(autoEv);
    CloseHandle(manual);
}

TEST(Kernel, ThreadWakesOnEventAndObserverHearsIt) {
    struct Counter : win32::WaitObserver {
        std::atomic<int> n{0};
        void signalled() override { ++n; }
    } counter;
    win32::addWaitObserver(&counter);
    HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, waitThenReturn, ev, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, 20), WAIT_TIMEOUT);
    SetEvent(ev);
    EXPECT_GE(counter.n.load(), 1);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    win32::removeWaitObserver(&counter);
    CloseHandle(t);
    CloseHandle(ev);
}

TEST(Kernel, TerminatedThreadIsSignalledWithItsCode) {
    HANDLE ev = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE t = CreateThread(nullptr, 0, waitThenReturn, ev, 0, nullptr);
    EXPECT_TRUE(TerminateThread(t, 301));
    EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_OBJECT_0);
    SetEvent(ev);
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 301u);
    CloseHandle(t);
    CloseHandle(ev);
}

TEST(Kernel, BadHandlesFail) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(nullptr));
}

}  // namespace
