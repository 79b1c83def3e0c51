#include "animation_timer.h"

#include "com/activation.h"
#include "windows/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

// A small animated control: its ticks and the threads they ran on.
struct ITicker : IAnimationTarget {
    virtual HRESULT get_Ticks(LONG* ticks) = 0;
};
COM_INTERFACE_ID(ITicker, "{3F1C2B7A-8E44-4C1D-9B20-6A5D7E8F9012}");

namespace {

using sondrel::AnimationTimer;

const com::TypeDesc kITicker = com::dualInterface<ITicker>(
    "ITicker", "ITicker Interface",
    {
        com::method<&ITicker::_OnTimer>("_OnTimer", 0, {}, "method _OnTimer", FUNCFLAG_FHIDDEN),
        com::propget<&ITicker::get_Ticks>("Ticks", 1, {}, "property Ticks"),
    });

std::atomic<long> live{0};

class Ticker final : public com::DualDispatch<ITicker> {
public:
    Ticker() : DualDispatch(kITicker) { ++live; }
    ~Ticker() { --live; }
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ITicker) {
            *out = static_cast<ITicker*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        ULONG n = --refs;
        if (n == 0) delete this;
        return n;
    }
    HRESULT _OnTimer() override {
        sondrel::AnimationTimer::Tick tick(*timer);
        ++ticks;
        if (GetCurrentThreadId() != owner) ++foreignTicks;
        if (onTick) onTick();
        return S_OK;
    }
    HRESULT get_Ticks(LONG* n) override { return *n = ticks, S_OK; }

    std::atomic<ULONG> refs{1};
    LONG ticks = 0;
    LONG foreignTicks = 0;
    DWORD owner = GetCurrentThreadId();
    std::function<void()> onTick;
    sondrel::AnimationTimer* timer = nullptr;
};

// Serves this thread's messages until the condition holds (or a generous bound passes, so that a
// fault fails the test instead of hanging it).
bool pumpUntil(const std::function<bool()>& done, int rounds = 20000) {
    for (int i = 0; i < rounds && !done(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return done();
}

class Timer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ticker = new Ticker;
        ticker->timer = &timer;
    }
    void TearDown() override {
        timer.stop();
        ticker->Release();
        pumpUntil([] { return live == 0; });
        EXPECT_EQ(live, 0);
        CoUninitialize();
    }
    Ticker* ticker = nullptr;
    AnimationTimer timer;
};

TEST_F(Timer, StartingTwiceKeepsOneWorkerAndTicksRunOnTheControlsThread) {
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
    DWORD worker = timer.workerId();
    EXPECT_NE(worker, 0u);
    EXPECT_NE(worker, GetCurrentThreadId());
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 15), S_OK);  // only the interval changes
    EXPECT_EQ(timer.workerId(), worker);
    ASSERT_TRUE(pumpUntil([&] { return ticker->ticks >= 3; }));
    EXPECT_EQ(ticker->foreignTicks, 0);
    timer.stop();
    EXPECT_FALSE(timer.running());
    EXPECT_EQ(timer.workerId(), 0u);
    LONG after = ticker->ticks;
    pumpUntil([] { return false; }, 100);  // a stopped timer ticks no more
    EXPECT_EQ(ticker->ticks, after);
}

TEST_F(Timer, StoppingWhileATickIsOnItsWayServesItAndEnds) {
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
    // Without serving messages, wait until the worker has left its wait: its call is then on the
    // way and can only finish on this thread.
    bool waited = false;
    for (int i = 0; i < 20000; ++i) {
        if (timer.waiting()) waited = true;
        else if (waited) break;
        Sleep(1);
    }
    ASSERT_TRUE(waited);
    timer.stop();
    EXPECT_EQ(ticker->ticks, 1);
}

TEST_F(Timer, StopFromInsideATick) {
    ticker->onTick = [&] { timer.stop(); };
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return ticker->ticks > 0; }));
    EXPECT_FALSE(timer.running());
    // The worker ends on its own and gives its reference back.
    ASSERT_TRUE(pumpUntil([&] { return ticker->refs == 1; }));
    EXPECT_EQ(ticker->ticks, 1);
    // A new start after that makes a new worker.
    ticker->onTick = nullptr;
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return ticker->ticks > 1; }));
}

TEST_F(Timer, EachStartAfterAStopMakesANewWorker) {
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
        LONG before = ticker->ticks;
        ASSERT_TRUE(pumpUntil([&] { return ticker->ticks > before; }));
        timer.stop();
    }
    // The workers held their references only while they ran.
    EXPECT_EQ(ticker->refs, 1u);
}

TEST_F(Timer, AQuitMessageTakenWhileStoppingIsPostedAgain) {
    ASSERT_EQ(timer.start(ticker, IID_ITicker, 20), S_OK);
    PostQuitMessage(7);
    timer.stop();
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(TimerWorker, AWorkerThatCannotReachItsControlStopsRunning) {
    // The control's apartment ends before the first tick: the worker cannot unmarshal the
    // interface, or holds one whose calls can no longer arrive.
    bool stoppedRunning = false;
    HANDLE thread = CreateThread(nullptr, 0, +[](LPVOID result) -> DWORD {
        CoInitialize(nullptr);
        auto* ticker = new Ticker;
        AnimationTimer timer;
        ticker->timer = &timer;
        const bool started = SUCCEEDED(timer.start(ticker, IID_ITicker, 200));
        CoUninitialize();
        for (int i = 0; i < 10000 && timer.running(); ++i) Sleep(1);
        *static_cast<bool*>(result) = started && !timer.running();
        timer.stop();
        ticker->Release();
        return 0;
    }, &stoppedRunning, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(stoppedRunning);
}

TEST_F(Timer, StoppingAStoppedTimerDoesNothing) {
    timer.stop();
    EXPECT_FALSE(timer.running());
    EXPECT_EQ(ticker->refs, 1u);
}

}  // namespace
