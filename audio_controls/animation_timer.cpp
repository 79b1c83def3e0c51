#include "animation_timer.h"

#include "com/activation.h"
#include "com/marshal.h"
#include "windows/windows.h"

namespace sondrel {

HRESULT AnimationTimer::start(IAnimationTarget* control, REFIID iid, DWORD interval) {
    if (state_ && state_->running) {
        state_->interval = interval;
        return S_OK;
    }
    auto state = std::make_shared<State>();
    state->iid = iid;
    state->interval = interval;
    HRESULT hr = CoMarshalInterThreadInterfaceInStream(iid, control, &state->stream);
    if (FAILED(hr)) return hr;
    state->running = true;
    // The worker's own reference, released when it ends.
    auto* workerState = new std::shared_ptr<State>(state);
    HANDLE thread = CreateThread(nullptr, 0, &AnimationTimer::worker, workerState, 0, &threadId_);
    if (!thread) {
        delete workerState;
        state->stream->Release();
        threadId_ = 0;
        return E_FAIL;
    }
    if (thread_) CloseHandle(thread_);  // a worker told to end from inside its tick
    thread_ = thread;
    state_ = std::move(state);
    return S_OK;
}

DWORD AnimationTimer::worker(LPVOID param) {
    std::unique_ptr<std::shared_ptr<State>> state(static_cast<std::shared_ptr<State>*>(param));
    CoInitialize(nullptr);
    run(**state);
    CoUninitialize();
    return 0;
}

void AnimationTimer::run(State& s) {
    IStream* stream = s.stream;
    s.stream = nullptr;
    void* unmarshalled = nullptr;
    // Every animated interface starts with IAnimationTarget, so its proxy is one.
    if (SUCCEEDED(CoGetInterfaceAndReleaseStream(stream, s.iid, &unmarshalled)))
        s.target = static_cast<IAnimationTarget*>(unmarshalled);
    s.startTick = GetTickCount();
    while (s.running && s.target) {
        s.inWait = true;
        // Only the first tick waits for a whole interval from the start.
        for (s.lastTick = GetTickCount(); s.running && s.lastTick - s.startTick < s.interval;
             s.lastTick = GetTickCount())
            Sleep(1);
        if (!s.running) break;
        Sleep(s.interval);
        s.inWait = false;
        if (!s.running) break;
        // A control whose apartment has ended is never reached again.
        if (s.target->_OnTimer() == RPC_E_DISCONNECTED) break;
    }
    s.inWait = false;
    // Whatever ends the worker (a stop, an interface it could not unmarshal, a control it can no
    // longer reach) ends the running state with it, so that the next start makes a new worker.
    s.running = false;
    if (s.target) {
        IAnimationTarget* target = s.target;
        s.target = nullptr;
        target->Release();
    }
}

void AnimationTimer::stop() {
    if (!state_) return;
    state_->running = false;
    state_.reset();
    if (tickDepth_ > 0) return;  // the handle is closed by the next start or stop
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_ALLINPUT);
        // Whatever arrived is served without blocking, also once the worker has ended.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (r != WAIT_OBJECT_0 + 1) break;
    }
    CloseHandle(thread_);
    thread_ = nullptr;
    threadId_ = 0;
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace sondrel
