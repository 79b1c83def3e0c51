#include "com/activation.h"
#include "com/marshal.h"
#include "sample.h"
#include "windows/windows.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using com::ComPtr;

// Runs a function on a thread of its own, which enters an apartment for it.
struct Worker {
    std::function<void()> body;
    HANDLE thread = nullptr;
    DWORD id = 0;

    explicit Worker(std::function<void()> f) : body(std::move(f)) {
        thread = CreateThread(nullptr, 0, &Worker::run, this, 0, &id);
    }
    ~Worker() { CloseHandle(thread); }
    static DWORD run(LPVOID self) {
        CoInitialize(nullptr);
        static_cast<Worker*>(self)->body();
        CoUninitialize();
        return 0;
    }
};

// The owner's modal wait: it serves its messages until the handle is signalled.
void pumpUntil(HANDLE handle) {
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

class Marshalling : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        object = ComPtr<ISample>(sample::create(), false);
    }
    void TearDown() override {
        object.reset();
        CoUninitialize();
        EXPECT_EQ(sample::liveObjects(), 0);
    }
    IStream* marshal(REFIID iid) {
        IStream* s = nullptr;
        EXPECT_EQ(CoMarshalInterThreadInterfaceInStream(iid, object.get(), &s), S_OK);
        return s;
    }
    ComPtr<ISample> object;
};

TEST_F(Marshalling, WorkerCallsRunOnTheOwnerWhileItWaitsInAModalPump) {
    IStream* stream = marshal(IID_ISample);
    HRESULT unmarshalled = E_FAIL, ticked = E_FAIL, invoked = E_FAIL, failed = S_OK;
    LONG sum = 0, invokedSum = 0;
    std::string error;
    bool differentObject = false;
    Worker worker([&] {
        ISample* proxy = nullptr;
        unmarshalled = CoGetInterfaceAndReleaseStream(stream, IID_ISample, reinterpret_cast<void**>(&proxy));
        if (FAILED(unmarshalled)) return;
        differentObject = proxy != object.get();
        ticked = S_OK;
        for (int i = 0; i < 5 && SUCCEEDED(ticked); ++i) ticked = proxy->_OnTimer();
        proxy->Add(40, 2, &sum);

        // The same proxy answers IDispatch; arguments and results travel as they are.
        ComPtr<IDispatch> dispatch;
        proxy->QueryInterface(IID_IDispatch, dispatch.putVoid());
        com::Variant args[2];
        args[0] = com::Variant::i4(5);
        args[1] = com::Variant::i4(6);
        DISPPARAMS params{args, nullptr, 2, 0};
        com::Variant result;
        invoked = dispatch->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                                   nullptr);
        invokedSum = result.lVal;

        // A failing member's error object reaches the calling thread.
        failed = proxy->put_Value(1000);
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.put()) == S_OK) {
            com::Bstr text;
            info->GetDescription(text.put());
            error = text.utf8();
        }
        dispatch.reset();
        proxy->Release();
    });
    pumpUntil(worker.thread);

    EXPECT_EQ(unmarshalled, S_OK);
    EXPECT_TRUE(differentObject);
    EXPECT_EQ(ticked, S_OK);
    LONG ticks = 0, tickThread = 0;
    object->get_Ticks(&ticks);
    object->get_TickThread(&tickThread);
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(static_cast<DWORD>(tickThread), GetCurrentThreadId());
    EXPECT_EQ(sum, 42);
    EXPECT_EQ(invoked, S_OK);
    EXPECT_EQ(invokedSum, 11);
    EXPECT_EQ(failed, DISP_E_EXCEPTION);
    EXPECT_EQ(error, "Value is out of range.");
}

TEST_F(Marshalling, OwnerCallingOutServesCallsComingBack) {
    IStream* toWorker = marshal(IID_IDispatch);
    IStream* toOwner = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Worker worker([&] {
        // The worker's own object calls back into the owner's through its proxy.
        IDispatch* ownerProxy = nullptr;
        CoGetInterfaceAndReleaseStream(toWorker, IID_IDispatch, reinterpret_cast<void**>(&ownerProxy));
        ComPtr<ISample> mine(sample::create(), false);
        mine->putref_Partner(ownerProxy);
        ownerProxy->Release();
        CoMarshalInterThreadInterfaceInStream(IID_ISample, mine.get(), &toOwner);
        mine.reset();
        SetEvent(ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    ASSERT_EQ(WaitForSingleObject(ready, INFINITE), WAIT_OBJECT_0);
    ISample* workerObject = nullptr;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(toOwner, IID_ISample, reinterpret_cast<void**>(&workerObject)), S_OK);

    // The owner waits for the worker's object, which waits for the owner's.
    LONG sum = 0;
    EXPECT_EQ(workerObject->CallPartner(30, 12, &sum), S_OK);
    EXPECT_EQ(sum, 42);
    workerObject->Release();

    PostThreadMessageA(worker.id, WM_QUIT, 0, 0);
    pumpUntil(worker.thread);
    CloseHandle(ready);
}

TEST_F(Marshalling, AtHomeTheObjectItselfAndAfterTheEndNothing) {
    IStream* s = marshal(IID_ISample);
    ISample* back = nullptr;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(s, IID_ISample, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, object.get());
    back->Release();

    // A stream dropped unread holds the object until the apartment ends (TearDown counts it gone).
    marshal(IID_IDispatch)->Release();

    // Only interfaces with a proxy travel.
    IStream* none = nullptr;
    EXPECT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IClassFactory, object.get(), &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    // A worker keeps its proxy past the owner apartment's end: calls then fail, nothing is left behind.
    IStream* late = marshal(IID_ISample);
    HANDLE haveProxy = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ownerGone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HRESULT before = E_FAIL, after = S_OK;
    Worker worker([&] {
        ISample* proxy = nullptr;
        CoGetInterfaceAndReleaseStream(late, IID_ISample, reinterpret_cast<void**>(&proxy));
        LONG v;
        before = proxy->get_Value(&v);
        SetEvent(haveProxy);
        WaitForSingleObject(ownerGone, INFINITE);
        after = proxy->get_Value(&v);
        proxy->Release();
    });
    pumpUntil(haveProxy);
    CoUninitialize();
    SetEvent(ownerGone);
    WaitForSingleObject(worker.thread, INFINITE);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(before, S_OK);
    EXPECT_EQ(after, RPC_E_DISCONNECTED);
    CloseHandle(haveProxy);
    CloseHandle(ownerGone);
}

}  // namespace
