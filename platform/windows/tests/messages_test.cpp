#include "windows/windows.h"

#include "test_window.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <atomic>
#include <string>
#include <vector>

using test::Handler;
using test::joinThread;
using test::makeWindow;
using test::startThread;

namespace {

constexpr UINT kPosted = WM_USER + 1;
constexpr UINT kSent = WM_USER + 2;
constexpr UINT kDone = WM_USER + 3;

void dispatchAll() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

// The shape of a modal wait that pumps: take what is queued, then sleep one slice.
template <typename Done>
void pumpUntil(Done done) {
    while (!done()) {
        dispatchAll();
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

TEST(Messages, PostAndSendAcrossThreads) {
    DWORD owner = GetCurrentThreadId();
    int posted = 0;
    std::atomic<DWORD> sentOn{0};
    Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kPosted) {
            EXPECT_FALSE(InSendMessage());
            return ++posted, 0;
        }
        if (msg == kSent) {
            EXPECT_TRUE(InSendMessage());
            sentOn = GetCurrentThreadId();
            return static_cast<LRESULT>(w * 2);
        }
        if (msg == kDone) return PostQuitMessage(7), 0;
        return DefWindowProcA(hwnd, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    ASSERT_NE(hwnd, nullptr);
    std::atomic<LRESULT> answer{0};
    HANDLE worker = startThread([&] {
        for (int i = 0; i < 3; ++i) PostMessageA(hwnd, kPosted, 0, 0);
        answer = SendMessageA(hwnd, kSent, 21, 0);
        PostMessageA(hwnd, kDone, 0, 0);
    });
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    joinThread(worker);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(posted, 3);
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(sentOn.load(), owner);
    DestroyWindow(hwnd);
}

// A posted message whose handler pumps, dispatching a second one whose handler pumps again:
// the worker's send is answered two levels deep.
TEST(Messages, SendAnsweredInsideNestedPumps) {
    HANDLE innerRunning = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::string> log;
    bool answered = false;
    HWND hwnd = nullptr;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        switch (msg) {
            case kPosted:
                log.push_back("outer in");
                PostMessageA(self, kPosted + 10, 0, 0);
                pumpUntil([&] { return answered; });
                log.push_back("outer out");
                return 0;
            case kPosted + 10:
                log.push_back("inner in");
                SetEvent(innerRunning);
                pumpUntil([&] { return answered; });
                log.push_back("inner out");
                return 0;
            case kSent:
                log.push_back("sent");
                answered = true;
                return 99;
        }
        return DefWindowProcA(self, msg, w, l);
    };
    hwnd = makeWindow(&h);
    std::atomic<LRESULT> answer{0};
    HANDLE worker = startThread([&] {
        WaitForSingleObject(innerRunning, INFINITE);
        answer = SendMessageA(hwnd, kSent, 0, 0);
    });
    PostMessageA(hwnd, kPosted, 0, 0);
    dispatchAll();
    joinThread(worker);
    EXPECT_EQ(answer.load(), 99);
    EXPECT_EQ(log, (std::vector<std::string>{"outer in", "inner in", "sent", "inner out", "outer out"}));
    DestroyWindow(hwnd);
    CloseHandle(innerRunning);
}

TEST(Messages, ThreadsSendingToEachOtherDoNotDeadlock) {
    constexpr UINT kAsk = WM_USER + 5, kAskBack = WM_USER + 6, kPing = WM_USER + 7;
    HWND mine = nullptr;
    std::atomic<HWND> theirs{nullptr};
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<LRESULT> pingAnswer{0};
    Handler mainHandler = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kAskBack) return 5;
        if (msg == kPing) return 6;
        return DefWindowProcA(self, msg, w, l);
    };
    mine = makeWindow(&mainHandler);
    DWORD workerId = 0;
    HANDLE worker = startThread(
        [&] {
            Handler workerHandler = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
                // Sends back to the thread that is blocked sending to us.
                if (msg == kAsk) return SendMessageA(mine, kAskBack, 0, 0) + 100;
                if (msg == kPing) return 60;
                return DefWindowProcA(self, msg, w, l);
            };
            theirs = makeWindow(&workerHandler);
            SetEvent(ready);
            // Not pumping: both threads send at the same moment.
            WaitForSingleObject(go, INFINITE);
            pingAnswer = SendMessageA(mine, kPing, 0, 0);
            MSG m;
            while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
            DestroyWindow(theirs);
        },
        &workerId);
    WaitForSingleObject(ready, INFINITE);
    SetEvent(go);
    EXPECT_EQ(SendMessageA(theirs, kPing, 0, 0), 60);
    EXPECT_EQ(SendMessageA(theirs, kAsk, 0, 0), 105);
    while (pingAnswer.load() == 0) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    EXPECT_EQ(pingAnswer.load(), 6);
    PostThreadMessageA(workerId, WM_QUIT, 0, 0);
    joinThread(worker);
    DestroyWindow(mine);
    CloseHandle(ready);
    CloseHandle(go);
}

TEST(Messages, SubclassAnswersRegisteredMessageAndPassesTheRest) {
    static WNDPROC previous = nullptr;
    static UINT autoPlay = 0;
    autoPlay = RegisterWindowMessageA("QueryCancelAutoPlay");
    EXPECT_GE(autoPlay, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("querycancelautoplay"), autoPlay);
    EXPECT_NE(RegisterWindowMessageA("SomethingElse"), autoPlay);

    Handler h = [](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_USER) return static_cast<LRESULT>(w + l);
        if (msg == autoPlay) return 0;
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    WNDPROC replacement = [](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == autoPlay) return 1;
        return CallWindowProcA(previous, self, msg, w, l);
    };
    previous = reinterpret_cast<WNDPROC>(SetWindowLongA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(replacement)));
    EXPECT_EQ(previous, &test::handlerProc);
    EXPECT_EQ(SendMessageA(hwnd, autoPlay, 0, 0), 1);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 2, 3), 5);
    PostMessageA(hwnd, WM_USER, 4, 4);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(&m), 8);
    SetWindowLongA(hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    EXPECT_EQ(SendMessageA(hwnd, autoPlay, 0, 0), 0);
    DestroyWindow(hwnd);
}

TEST(Messages, MsgWaitReturnsOnThreadEndWhileMessagesAreDispatched) {
    int posted = 0, sent = 0;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kPosted) return ++posted, 0;
        if (msg == kSent) return ++sent, 1;
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    HANDLE worker = startThread([&] {
        for (int i = 0; i < 5; ++i) {
            PostMessageA(hwnd, kPosted, 0, 0);
            if (i % 2) SendMessageA(hwnd, kSent, 0, 0);
        }
    });
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) break;
        ASSERT_EQ(r, WAIT_OBJECT_0 + 1);
        dispatchAll();
    }
    dispatchAll();
    EXPECT_EQ(posted, 5);
    EXPECT_EQ(sent, 2);
    CloseHandle(worker);
    DestroyWindow(hwnd);
}

TEST(Messages, MsgWaitResults) {
    Handler h;
    HWND hwnd = makeWindow(&h);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, 10, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);

    // Input already queued is reported and left in the queue.
    PostMessageA(hwnd, kPosted, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, kPosted);

    HANDLE setter = startThread([&] { SetEvent(event); });
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    joinThread(setter);

    HANDLE bogus = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &bogus, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    CloseHandle(event);
    DestroyWindow(hwnd);
}

TEST(Messages, QuitEndsGetMessageAfterWhatWasPostedBefore) {
    Handler h;
    HWND hwnd = makeWindow(&h);
    PostMessageA(hwnd, kPosted, 1, 0);
    PostQuitMessage(3);
    MSG m;
    // PM_NOREMOVE leaves the quit request in place.
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, kPosted);
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST(Messages, PeekFiltersAndNoRemove) {
    Handler h;
    HWND a = makeWindow(&h);
    HWND b = makeWindow(&h);
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostMessageA(b, WM_USER + 2, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 3, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 2, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.hwnd, b);
    ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1)), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(m.message, WM_USER + 3u);
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.hwnd, a);
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x4242), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST(Messages, PeekWithoutRemoveServesSentMessages) {
    std::atomic<bool> served{false};
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kSent) return served = true, 11;
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    std::atomic<LRESULT> answer{0};
    HANDLE worker = startThread([&] { answer = SendMessageA(hwnd, kSent, 0, 0); });
    MSG m;
    while (!served) {
        EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
        if (!served) MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    joinThread(worker);
    EXPECT_EQ(answer.load(), 11);
    DestroyWindow(hwnd);
}

TEST(Messages, DestroyingTheTargetReleasesAWaitingSender) {
    int calls = 0;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kSent) return ++calls, 5;
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    HANDLE sending = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<LRESULT> answer{-1};
    HANDLE worker = startThread([&] {
        SetEvent(sending);
        answer = SendMessageA(hwnd, kSent, 0, 0);
    });
    WaitForSingleObject(sending, INFINITE);
    Sleep(50);  // lets the send reach the queue; either way it must come back with 0
    DestroyWindow(hwnd);
    joinThread(worker);
    EXPECT_EQ(answer.load(), 0);
    EXPECT_EQ(calls, 0);
    CloseHandle(sending);
}

TEST(Messages, WindowsOfAnEndedThreadAreGone) {
    std::atomic<HWND> orphan{nullptr};
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD ownerId = 0;
    HANDLE owner = startThread(
        [&] {
            orphan = makeWindow(nullptr);
            SetEvent(created);
            WaitForSingleObject(go, INFINITE);  // ends without pumping or destroying
        },
        &ownerId);
    WaitForSingleObject(created, INFINITE);
    std::atomic<LRESULT> answer{-1};
    HANDLE sender = startThread([&] { answer = SendMessageA(orphan, WM_USER, 0, 0); });
    Sleep(50);  // lets the send reach the queue; either way it must come back with 0
    SetEvent(go);
    test::joinThread(owner);
    test::joinThread(sender);
    EXPECT_EQ(answer.load(), 0);
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_FALSE(PostMessageA(orphan, WM_USER, 0, 0));
    EXPECT_FALSE(PostThreadMessageA(ownerId, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    CloseHandle(created);
    CloseHandle(go);
}

TEST(Messages, TimersFireOnTheOwningThread) {
    int ticks = 0;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_TIMER && w == 7 && ++ticks == 3) {
            EXPECT_TRUE(KillTimer(self, 7));
            PostQuitMessage(0);
        }
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    EXPECT_EQ(SetTimer(hwnd, 7, 10, nullptr), 7u);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(KillTimer(hwnd, 7));

    // A timer set from another thread on a worker's window runs on the worker.
    static std::atomic<DWORD> firedOn{0};
    std::atomic<HWND> workerWindow{nullptr};
    DWORD workerId = 0;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Handler workerHandler = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_TIMER) {
            firedOn = GetCurrentThreadId();
            KillTimer(self, w);
            PostQuitMessage(0);
        }
        return DefWindowProcA(self, msg, w, l);
    };
    HANDLE worker = startThread(
        [&] {
            workerWindow = makeWindow(&workerHandler);
            SetEvent(ready);
            MSG wm;
            while (GetMessageA(&wm, nullptr, 0, 0) > 0) DispatchMessageA(&wm);
            DestroyWindow(workerWindow);
        },
        &workerId);
    WaitForSingleObject(ready, INFINITE);
    SetTimer(workerWindow, 1, 10, nullptr);
    joinThread(worker);
    EXPECT_EQ(firedOn.load(), workerId);
    CloseHandle(ready);
    DestroyWindow(hwnd);
}

TEST(Messages, TimerProcWithoutWindow) {
    static int calls = 0;
    static UINT_PTR seen = 0;
    calls = 0;
    TIMERPROC proc = [](HWND hwnd, UINT msg, UINT_PTR id, DWORD) {
        EXPECT_EQ(hwnd, nullptr);
        EXPECT_EQ(msg, WM_TIMER);
        seen = id;
        ++calls;
    };
    UINT_PTR id = SetTimer(nullptr, 0, 10, proc);
    ASSERT_NE(id, 0u);
    while (calls < 2) {
        MSG m;
        if (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    }
    EXPECT_EQ(seen, id);
    EXPECT_TRUE(KillTimer(nullptr, id));
    // A posted WM_TIMER naming a proc no timer has is not a call into that address.
    MSG fake{nullptr, WM_TIMER, id, reinterpret_cast<LPARAM>(proc), 0, {}};
    DispatchMessageA(&fake);
    EXPECT_EQ(calls, 2);
}

// The thread runs a plain GLib loop: posted, sent and timer messages and paint reach the window
// without a pump of ours.
TEST(Messages, DispatchedInsideGLibMainLoop) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    int posted = 0, timers = 0, paints = 0;
    bool sent = false;
    auto maybeQuit = [&] {
        if (posted == 2 && sent && timers >= 1 && paints >= 1) g_main_loop_quit(loop);
    };
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        LRESULT r = 0;
        switch (msg) {
            case kPosted: ++posted; break;
            case kSent: sent = true; r = 4; break;
            case WM_TIMER: ++timers; KillTimer(self, w); break;
            case WM_PAINT: ++paints; ValidateRect(self, nullptr); break;
            default: return DefWindowProcA(self, msg, w, l);
        }
        maybeQuit();
        return r;
    };
    HWND hwnd = makeWindow(&h, WS_VISIBLE);
    SetTimer(hwnd, 1, 10, nullptr);
    std::atomic<LRESULT> answer{0};
    HANDLE worker = startThread([&] {
        PostMessageA(hwnd, kPosted, 0, 0);
        answer = SendMessageA(hwnd, kSent, 0, 0);
        PostMessageA(hwnd, kPosted, 0, 0);
    });
    g_main_loop_run(loop);
    joinThread(worker);
    EXPECT_EQ(answer.load(), 4);
    EXPECT_EQ(posted, 2);
    g_main_loop_unref(loop);
    DestroyWindow(hwnd);
}

// A worker that pushed a context of its own and runs a GLib loop on it gets its messages there.
TEST(Messages, WorkerGLibLoopOnItsOwnContext) {
    std::atomic<HWND> target{nullptr};
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> handledOn{0};
    DWORD workerId = 0;
    HANDLE worker = startThread(
        [&] {
            GMainContext* context = g_main_context_new();
            g_main_context_push_thread_default(context);
            GMainLoop* loop = g_main_loop_new(context, FALSE);
            Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
                if (msg == kDone) {
                    handledOn = GetCurrentThreadId();
                    g_main_loop_quit(loop);
                    return 0;
                }
                return DefWindowProcA(self, msg, w, l);
            };
            target = makeWindow(&h);
            EXPECT_EQ(windows::threadContext(), context);
            SetEvent(ready);
            g_main_loop_run(loop);
            DestroyWindow(target);
            g_main_loop_unref(loop);
            g_main_context_pop_thread_default(context);
            g_main_context_unref(context);
        },
        &workerId);
    WaitForSingleObject(ready, INFINITE);
    PostMessageA(target, kDone, 0, 0);
    joinThread(worker);
    EXPECT_EQ(handledOn.load(), workerId);
    CloseHandle(ready);
}

// A GLib loop inside a handler dispatched by our pump, and our pump inside a handler that
// the GLib loop dispatched: a worker's send is answered at the bottom.
TEST(Messages, PumpsAndGLibLoopsNest) {
    constexpr UINT kModal = WM_USER + 20, kInner = WM_USER + 21;
    GMainLoop* modal = g_main_loop_new(nullptr, FALSE);
    HANDLE innerRunning = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<std::string> log;
    bool answered = false;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        switch (msg) {
            case kModal:
                log.push_back("modal in");
                PostMessageA(self, kInner, 0, 0);
                g_main_loop_run(modal);
                log.push_back("modal out");
                PostQuitMessage(0);
                return 0;
            case kInner:
                log.push_back("inner in");
                SetEvent(innerRunning);
                pumpUntil([&] { return answered; });
                log.push_back("inner out");
                g_main_loop_quit(modal);
                return 0;
            case kSent:
                log.push_back("sent");
                answered = true;
                return 3;
        }
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    std::atomic<LRESULT> answer{0};
    HANDLE worker = startThread([&] {
        WaitForSingleObject(innerRunning, INFINITE);
        answer = SendMessageA(hwnd, kSent, 0, 0);
    });
    PostMessageA(hwnd, kModal, 0, 0);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    joinThread(worker);
    EXPECT_EQ(answer.load(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"modal in", "inner in", "sent", "inner out", "modal out"}));
    g_main_loop_unref(modal);
    CloseHandle(innerRunning);
    DestroyWindow(hwnd);
}

// Changing another thread's window runs its messages on the owner's thread.
TEST(Messages, ForeignThreadMovesAndNamesAWindow) {
    DWORD owner = GetCurrentThreadId();
    std::atomic<DWORD> movedOn{0}, namedOn{0};
    std::atomic<int> moveX{0};
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_MOVE) movedOn = GetCurrentThreadId(), moveX = GET_X_LPARAM(l);
        if (msg == WM_SETTEXT) namedOn = GetCurrentThreadId();
        return DefWindowProcA(self, msg, w, l);
    };
    struct OwnerCheck : windows::Presenter {
        std::atomic<DWORD> invalidatedOn{0};
        void invalidated(HWND, const RECT&) override { invalidatedOn = GetCurrentThreadId(); }
        void moved(HWND, const RECT&) override {}
        void shown(HWND, bool) override {}
        void destroyed(HWND) override {}
    } presenter;
    HWND hwnd = makeWindow(&h);
    windows::setPresenter(hwnd, &presenter);
    std::atomic<bool> done{false};
    HANDLE worker = startThread([&] {
        MoveWindow(hwnd, -7, 3, 10, 10, TRUE);
        SetWindowTextA(hwnd, "renamed");
        InvalidateRect(hwnd, nullptr, FALSE);
        done = true;
    });
    pumpUntil([&] { return done.load() && presenter.invalidatedOn.load() != 0; });
    joinThread(worker);
    EXPECT_EQ(presenter.invalidatedOn.load(), owner);
    EXPECT_EQ(movedOn.load(), owner);
    EXPECT_EQ(namedOn.load(), owner);
    EXPECT_EQ(moveX.load(), -7);
    char text[16];
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, "renamed");
    DestroyWindow(hwnd);
}

TEST(Messages, PumpOnceServesGLibSourcesAndMessages) {
    int posted = 0;
    Handler h = [&](HWND self, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == kPosted) return ++posted, 0;
        return DefWindowProcA(self, msg, w, l);
    };
    HWND hwnd = makeWindow(&h);
    bool idleRan = false;
    g_idle_add_full(G_PRIORITY_DEFAULT, [](gpointer p) -> gboolean {
            *static_cast<bool*>(p) = true;
            return G_SOURCE_REMOVE;
        }, &idleRan, nullptr);
    PostMessageA(hwnd, kPosted, 0, 0);
    while (windows::pumpOnce(false)) {
    }
    EXPECT_TRUE(idleRan);
    EXPECT_EQ(posted, 1);
    DestroyWindow(hwnd);
}

}  // namespace
