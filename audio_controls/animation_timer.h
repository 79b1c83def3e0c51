#pragma once
// The animation thread of a control: a worker in its own apartment that calls the control's
// _OnTimer at a fixed interval through a marshalled interface, so that every tick runs on the
// control's own thread.

#include "com/storage.h"
#include "interfaces.h"
#include "win32/kernel.h"

#include <atomic>
#include <memory>

namespace sondrel {

class AnimationTimer {
public:
    AnimationTimer() = default;
    ~AnimationTimer() {
        stop();
        if (thread_) CloseHandle(thread_);
    }
    AnimationTimer(const AnimationTimer&) = delete;
    AnimationTimer& operator=(const AnimationTimer&) = delete;

    // Starts the worker for the control's dual interface iid, or only changes the interval when
    // one runs. Called on the control's thread, which must be in an apartment.
    HRESULT start(IAnimationTarget* control, REFIID iid, DWORD interval);
    // Ends the worker and waits for it while serving this thread's messages, so that a tick
    // under way can finish here. From inside a tick it only tells the worker to end: the worker
    // waits for that very tick to return.
    void stop();
    bool running() const { return state_ && state_->running.load(); }
    // Whether the worker is between ticks (not inside one).
    bool waiting() const { return state_ && state_->inWait.load(); }
    // The worker thread's id while one runs (0 otherwise).
    DWORD workerId() const { return state_ ? threadId_ : 0; }

    // Held by the control's _OnTimer for the length of a tick.
    class Tick {
    public:
        explicit Tick(AnimationTimer& timer) : timer_(timer) { ++timer_.tickDepth_; }
        ~Tick() { --timer_.tickDepth_; }
        Tick(const Tick&) = delete;
        Tick& operator=(const Tick&) = delete;

    private:
        AnimationTimer& timer_;
    };

private:
    // What one worker shares with the control; the worker keeps its own reference, so either
    // side may end first.
    struct State {
        IID iid{};
        std::atomic<DWORD> interval{0};
        std::atomic<bool> running{false};
        std::atomic<bool> inWait{false};
        IStream* stream = nullptr;
        IAnimationTarget* target = nullptr;  // the worker's, unmarshalled from the stream
        DWORD startTick = 0;
        DWORD lastTick = 0;
    };
    static DWORD worker(LPVOID state);
    static void run(State& state);

    std::shared_ptr<State> state_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    int tickDepth_ = 0;
};

}  // namespace sondrel
