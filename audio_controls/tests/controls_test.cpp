#include "tests/hosted_control.h"
#include "win32/module.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kSlider = com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}");
constexpr CLSID kTimeDisplay = com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}");

// The threads of this process, as the system lists them: the animation workers show up here.
int threadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

// Serves this thread's messages until the condition holds or a generous bound passes, so that a
// fault fails the test instead of hanging it.
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

// Whether two cursors show the same picture.
bool samePicture(HCURSOR a, HCURSOR b) {
    gdi::CursorInfo x{}, y{};
    if (!gdi::iconInfo(a, &x) || !gdi::iconInfo(b, &y) || !x.image || !y.image) return false;
    cairo_surface_flush(x.image);
    cairo_surface_flush(y.image);
    const int w = cairo_image_surface_get_width(x.image), h = cairo_image_surface_get_height(x.image);
    if (w != cairo_image_surface_get_width(y.image) || h != cairo_image_surface_get_height(y.image)) return false;
    for (int row = 0; row < h; ++row)
        if (std::memcmp(cairo_image_surface_get_data(x.image) + row * cairo_image_surface_get_stride(x.image),
                        cairo_image_surface_get_data(y.image) + row * cairo_image_surface_get_stride(y.image),
                        static_cast<size_t>(w) * 4) != 0)
            return false;
    return x.hotSpot.x == y.hotSpot.x && x.hotSpot.y == y.hotSpot.y;
}

std::vector<DISPID> dispids(const std::vector<activex::testing::EventCall>& calls) {
    std::vector<DISPID> ids;
    for (const auto& c : calls) ids.push_back(c.dispid);
    return ids;
}

using Controls = HostedControl;

TEST_F(Controls, RangeErrorNamesTheProgIdAndKeepsTheOldValue) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    EXCEPINFO info{};
    EXPECT_EQ(put(0xf, com::Variant::r8(1001), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(info.bstrSource), u"Sondrel3.AudioSlider.1");
    EXPECT_EQ(com::view(info.bstrDescription), u"SliderVer01 must have Speed value between 0 and 1000");
    com::clearExcepInfo(&info);
    EXPECT_EQ(get(0xf).dblVal, 2.0);
    EXPECT_EQ(put(0x10, com::Variant::i4(2), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(info.bstrDescription), u"SliderVer01 must have Orientation value 0 or 1");
    com::clearExcepInfo(&info);
    EXPECT_EQ(get(0x10).lVal, 0);
}

TEST_F(Controls, SavingAndLoadingKeepOnlyTheSize) {
    for (const CLSID& clsid : {kSlider, kTimeDisplay}) {
        ASSERT_EQ(host.create(clsid), S_OK);
        ASSERT_EQ(host.site().setExtentPixels(240, 40), S_OK);
        auto bag = activex::testing::RecordingPropertyBag::make();
        com::ComPtr<IPersistPropertyBag> persist = host.site().query<IPersistPropertyBag>();
        ASSERT_TRUE(persist);
        ASSERT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);
        ASSERT_EQ(bag->entries().size(), 2u);
        EXPECT_EQ(bag->entries()[0].first, "_cx");
        EXPECT_EQ(bag->entries()[1].first, "_cy");
        EXPECT_EQ(bag->entries()[0].second.vt, VT_UI4);
        const SIZE saved = host.site().extentPixels();
        host.site().close();
        dispatch_.reset();

        // A new control loads the size and nothing else.
        ASSERT_EQ(host.create(clsid), S_OK);
        ASSERT_EQ(host.site().query<IPersistPropertyBag>()->Load(bag.get(), nullptr), S_OK);
        EXPECT_EQ(bag->reads(), (std::vector<std::string>{"_cx", "_cy"}));
        EXPECT_EQ(host.site().extentPixels().cx, saved.cx);
        EXPECT_EQ(host.site().extentPixels().cy, saved.cy);
        host.site().close();
        dispatch_.reset();
    }
}

TEST_F(Controls, SizeRules) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(10, 40), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 32);
    EXPECT_EQ(host.site().extentPixels().cy, 15);
    ASSERT_EQ(put(0x10, com::Variant::i4(1)), S_OK);  // turns 32 x 15 into 15 x 32
    EXPECT_EQ(host.site().extentPixels().cx, 15);
    EXPECT_EQ(host.site().extentPixels().cy, 32);
    host.site().close();
    dispatch_.reset();

    ASSERT_EQ(host.create(kTimeDisplay), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(10, 10), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 84);
    EXPECT_EQ(host.site().extentPixels().cy, 22);
}

TEST_F(Controls, NoSizeLeavesWhatAWindowsSizeWordsHold) {
    using namespace sondrel;
    struct Class {
        const char* name;
        CLSID clsid;
    };
    for (const Class& c : std::vector<Class>{{"AudioAmpBarType1", CLSID_AudioAmpBarType1},
                                             {"AudioFlatButton", CLSID_AudioFlatButton},
                                             {"AudioFlatSlider", CLSID_AudioFlatSlider},
                                             {"AudioPlayButtonType1", CLSID_AudioPlayButtonType1},
                                             {"AudioPlayButtonType2", CLSID_AudioPlayButtonType2},
                                             {"AudioSliderType1", CLSID_AudioSliderType1},
                                             {"AudioSliderType2", CLSID_AudioSliderType2},
                                             {"AudioSlidersBands", CLSID_AudioSlidersBands},
                                             {"AudioStepButtonType1", CLSID_AudioStepButtonType1},
                                             {"AudioTimeDisplayType1", CLSID_AudioTimeDisplayType1},
                                             {"AudioVolumeButtonType1", CLSID_AudioVolumeButtonType1},
                                             {"AudioVolumeButtonType2", CLSID_AudioVolumeButtonType2}}) {
        ASSERT_EQ(host.create(c.clsid), S_OK) << c.name;
        SIZEL absurd{0x7FFFFFFF, 0x7FFFFFFF};
        host.site().object()->SetExtent(DVASPECT_CONTENT, &absurd);
        const SIZE s = host.site().extentPixels();
        EXPECT_TRUE(s.cx >= 0 && s.cx <= 32767 && s.cy >= 0 && s.cy <= 32767) << c.name << " " << s.cx << " x " << s.cy;

        // A persisted size beyond that is refused like any damaged stream, and changes nothing.
        ASSERT_EQ(host.site().setExtentPixels(120, 100), S_OK);
        const SIZE before = host.site().extentPixels();
        const std::vector<BYTE> bytes{1, 0, 0, 0, VT_UI4, 0, 0xFF, 0xFF, 0xFF, 0x7F, VT_UI4, 0, 0xFF, 0xFF, 0xFF, 0x7F};
        com::ComPtr<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr);
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(host.site().query<IPersistStreamInit>()->Load(stream.get()), E_FAIL) << c.name;
        EXPECT_EQ(host.site().extentPixels().cx, before.cx) << c.name;
        EXPECT_EQ(host.site().extentPixels().cy, before.cy) << c.name;
        host.site().close();
        dispatch_.reset();
    }
}

TEST_F(Controls, ColoursPassedAsLongsKeepTheirBits) {
    ASSERT_EQ(host.create(sondrel::CLSID_AudioSlidersBands), S_OK);
    constexpr DISPID kBackColor = 0x22;
    for (ULONG colour : {0x8000000Fu, 0x80000012u, 0x00C08040u}) {
        EXPECT_EQ(put(kBackColor, com::Variant::i4(static_cast<LONG>(colour))), S_OK) << std::hex << colour;
        EXPECT_EQ(get(kBackColor).ulVal, colour);
    }
    com::Variant unsignedColour;
    unsignedColour.vt = VT_UI4;
    unsignedColour.ulVal = 0x80000005u;
    EXPECT_EQ(put(kBackColor, unsignedColour), S_OK);
    EXPECT_EQ(get(kBackColor).ulVal, 0x80000005u);
    EXPECT_EQ(put(kBackColor, com::Variant::r8(-1)), DISP_E_OVERFLOW);  // only a long's bits are taken
}

TEST_F(Controls, GlideFiresValueChangeOnEveryTick) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(0xf, com::Variant::r8(25)), S_OK);
    ASSERT_EQ(put(0xe, com::Variant::i4(60)), S_OK);
    EXPECT_EQ(get(0xe).lVal, 0);  // not yet there
    recorder->clear();            // ticks of the running thread do not count here
    for (int i = 0; i < 3; ++i) ASSERT_EQ(call(0), S_OK);
    ASSERT_GE(recorder->calls().size(), 3u);
    EXPECT_EQ(get(0xe).lVal, 60);
    const auto& calls = recorder->calls();
    EXPECT_EQ(calls.back().dispid, DISPID_SLIDER_VALUECHANGE);
    EXPECT_EQ(calls.back().args.at(0).lVal, 60);
    recorder->disconnect();
}

TEST_F(Controls, NegativeMoveKeepsTheSizeAndReportsThePosition) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(-20, -5));
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, -20);
    EXPECT_EQ(r.top, -5);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 15);
}

// The classes start their boolean properties at 1, and a get answers the stored 16-bit value.
TEST_F(Controls, BooleanDefaultsAreStoredOnes) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    com::Variant enabled = get(0xb);
    EXPECT_EQ(enabled.vt, VT_BOOL);
    EXPECT_EQ(enabled.boolVal, 1);
    ASSERT_EQ(put(0xb, com::Variant::boolean(true)), S_OK);
    EXPECT_EQ(get(0xb).boolVal, VARIANT_TRUE);
    host.site().close();
    dispatch_.reset();

    ASSERT_EQ(host.create(kTimeDisplay), S_OK);
    for (DISPID id : {0xd, 0xe, 0xf, 0x10}) EXPECT_EQ(get(id).boolVal, 1) << id;
    EXPECT_EQ(get(0x12).boolVal, 0);
}

TEST_F(Controls, TimeDisplayThroughDispatch) {
    ASSERT_EQ(host.create(kTimeDisplay), S_OK);
    com::Variant ms = com::Variant::i4(3723400);
    ASSERT_EQ(call(1, {ms}), S_OK);
    EXPECT_EQ(get(0x13).lVal, 1);
    EXPECT_EQ(get(0x14).lVal, 2);
    EXPECT_EQ(get(0x15).lVal, 3);
    EXPECT_EQ(get(0x16).lVal, 400);
    com::Variant negative = com::Variant::i4(-1);
    EXPECT_EQ(call(1, {negative}), S_OK);
    EXPECT_EQ(get(0x15).lVal, 3);
}

TEST_F(Controls, TwoShowVerbsStartOneWorkerWhoseTicksRunOnTheControlsThread) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(200, 15), S_OK);
    const int before = threadCount();
    ASSERT_EQ(host.site().activate(host.window(), RECT{10, 10, 210, 25}, OLEIVERB_SHOW), S_OK);
    ASSERT_EQ(host.site().doVerb(OLEIVERB_SHOW), S_OK);
    EXPECT_EQ(threadCount(), before + 1);

    // The worker's own ticks carry the glide; every event reaches the sink on this thread.
    auto recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(0xf, com::Variant::r8(20)), S_OK);
    ASSERT_EQ(put(0xe, com::Variant::i4(100)), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return get(0xe).lVal == 100; }));
    ASSERT_FALSE(recorder->calls().empty());
    for (const auto& call : recorder->calls()) EXPECT_EQ(call.thread, GetCurrentThreadId());
    EXPECT_EQ(recorder->calls().back().args.at(0).lVal, 100);
    recorder->disconnect();

    ASSERT_EQ(host.site().deactivate(), S_OK);
    EXPECT_TRUE(pumpUntil([&] { return threadCount() == before; }));
}

TEST_F(Controls, DeactivationWhileATickIsOnItsWayServesItAndEnds) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(0xf, com::Variant::r8(1)), S_OK);
    ASSERT_EQ(put(0xe, com::Variant::i4(100)), S_OK);
    // Without serving messages, the worker's next tick can only wait for this thread: the
    // deactivation must serve it while it waits for the worker to end.
    Sleep(200);
    ASSERT_EQ(host.site().deactivate(), S_OK);
    const size_t served = recorder->calls().size();
    EXPECT_LE(served, 1u);  // at most the tick that was on its way
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(recorder->calls().size(), served);
    recorder->disconnect();
}

TEST_F(Controls, DeactivationFromInsideATick) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
    recorder->handler = [&](DISPID id, DISPPARAMS*) {
        if (id == DISPID_SLIDER_VALUECHANGE && host.site().inPlaceActive()) host.site().deactivate();
        return S_OK;
    };
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(0xf, com::Variant::r8(1)), S_OK);
    ASSERT_EQ(put(0xe, com::Variant::i4(100)), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return !recorder->calls().empty(); }));
    EXPECT_FALSE(host.site().inPlaceActive());
    pumpUntil([] { return false; }, 100);
    EXPECT_EQ(recorder->calls().size(), 1u);
    recorder->disconnect();
}

TEST_F(Controls, PrimaryVerbInDesignModeShowsThePropertiesAndStartsNoTimer) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(200, 15), S_OK);
    host.site().setUserMode(false);
    const int before = threadCount();
    host.site().activate(host.window(), RECT{10, 10, 210, 25}, OLEIVERB_PRIMARY);
    EXPECT_EQ(host.site().propertyFrames(), 1);
    EXPECT_EQ(threadCount(), before);

    // In user mode the same verb activates in place and starts the worker.
    host.site().setUserMode(true);
    ASSERT_EQ(host.site().doVerb(OLEIVERB_PRIMARY), S_OK);
    EXPECT_TRUE(host.site().inPlaceActive());
    EXPECT_EQ(threadCount(), before + 1);
}

// A host that closes the control, or takes its client site away, without deactivating it first
// leaves no worker behind.
TEST_F(Controls, ClosingOrDroppingTheSiteWithoutDeactivatingStopsTheWorker) {
    for (bool close : {true, false}) {
        ASSERT_EQ(host.create(kSlider), S_OK);
        ASSERT_EQ(host.site().setExtentPixels(200, 15), S_OK);
        const int before = threadCount();
        ASSERT_EQ(host.site().activate(host.window(), RECT{10, 10, 210, 25}, OLEIVERB_SHOW), S_OK);
        EXPECT_EQ(threadCount(), before + 1);
        if (close)
            host.site().object()->Close(OLECLOSE_NOSAVE);
        else
            host.site().object()->SetClientSite(nullptr);
        EXPECT_TRUE(pumpUntil([&] { return threadCount() == before; })) << (close ? "Close" : "SetClientSite");
        dispatch_.reset();
        host.site().close();
    }
}

// A drag by the control's own window messages: capture, cursor, the mapping of the mouse to a
// value, and the events in their order.
class SliderDrag : public Controls {
protected:
    void SetUp() override {
        ASSERT_EQ(host.createAndActivate(kSlider, RECT{0, 0, 200, 15}), S_OK);
        hwnd = host.site().controlWindow();
        ASSERT_NE(hwnd, nullptr);
        recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
        ASSERT_TRUE(recorder->connect(host.site().control()));
        ASSERT_EQ(put(0xf, com::Variant::r8(0)), S_OK);  // the thumb jumps on the next tick
        library = GetModuleHandleA(SONDREL_PATH);
        ASSERT_NE(library, nullptr);
    }
    void send(UINT msg, int x, int y) { SendMessageA(hwnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y)); }

    HWND hwnd = nullptr;
    HMODULE library = nullptr;
};

TEST_F(SliderDrag, HorizontalDragCapturesSetsTheCursorAndFollowsTheMouse) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    send(WM_LBUTTONDOWN, 100, 7);  // (100 - 6) x 100 / (200 - 13) = 50
    EXPECT_EQ(GetCapture(), hwnd);
    send(WM_MOUSEMOVE, 100, 7);
    HCURSOR own = LoadCursorA(library, MAKEINTRESOURCEA(213));
    EXPECT_TRUE(samePicture(GetCursor(), own));
    DestroyCursor(own);
    EXPECT_EQ(get(0xe).lVal, 0);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 50);
    send(WM_MOUSEMOVE, 400, 30);  // beyond the end: Max
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 100);
    send(WM_LBUTTONUP, 400, 30);
    EXPECT_EQ(GetCapture(), nullptr);
    const auto& calls = recorder->calls();
    EXPECT_EQ(dispids(calls), (std::vector<DISPID>{DISPID_SLIDER_MOUSEDOWN, DISPID_SLIDER_VALUECHANGE,
                                                   DISPID_SLIDER_VALUECHANGE, DISPID_SLIDER_MOUSEUP}));
    EXPECT_EQ(calls[1].args.at(0).lVal, 50);
    EXPECT_EQ(calls[2].args.at(0).lVal, 100);
    // Released: moving the mouse changes nothing.
    send(WM_MOUSEMOVE, 6, 7);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 100);
}

TEST_F(SliderDrag, VerticalMapsTopToMaxAndUsesItsOwnCursor) {
    ASSERT_EQ(put(0x10, com::Variant::i4(1)), S_OK);  // now 15 x 200
    ASSERT_EQ(put(0xd, com::Variant::i4(10)), S_OK);
    ASSERT_EQ(put(0xc, com::Variant::i4(20)), S_OK);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    send(WM_LBUTTONDOWN, 7, 6);
    send(WM_MOUSEMOVE, 7, 6);
    HCURSOR own = LoadCursorA(library, MAKEINTRESOURCEA(215));
    EXPECT_TRUE(samePicture(GetCursor(), own));
    DestroyCursor(own);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 20);
    send(WM_MOUSEMOVE, 7, 200 - 7);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 10);
    send(WM_LBUTTONUP, 7, 200 - 7);
}

// The button handles the mouse position as a move does, after MouseDown: a handler that widens
// the range sees the press mapped with the new Max, and the cursor is set without a move.
TEST_F(SliderDrag, ButtonDownFiresMouseDownBeforeItTracksLikeAMove) {
    recorder->handler = [&](DISPID id, DISPPARAMS*) {
        if (id == DISPID_SLIDER_MOUSEDOWN) {
            EXPECT_EQ(put(0xc, com::Variant::i4(200)), S_OK);
        }
        return S_OK;
    };
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR own = LoadCursorA(library, MAKEINTRESOURCEA(213));
    SetCursor(arrow);
    send(WM_LBUTTONDOWN, 100, 7);  // (100 - 6) x 200 / (200 - 13) = 100
    EXPECT_TRUE(samePicture(GetCursor(), own));
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 100);
    SetCursor(arrow);
    send(WM_LBUTTONUP, 100, 7);
    EXPECT_TRUE(samePicture(GetCursor(), own));
    DestroyCursor(own);
    EXPECT_EQ(dispids(recorder->calls()), (std::vector<DISPID>{DISPID_SLIDER_MOUSEDOWN, DISPID_SLIDER_VALUECHANGE,
                                                                DISPID_SLIDER_MOUSEUP}));
}

TEST_F(SliderDrag, DisabledOrWithTheWindowsCursorTheSliderLeavesThemAlone) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_EQ(put(0x15, com::Variant::i4(0)), S_OK);
    SetCursor(arrow);
    send(WM_MOUSEMOVE, 50, 7);
    EXPECT_EQ(GetCursor(), arrow);

    ASSERT_EQ(put(0x15, com::Variant::i4(1)), S_OK);
    ASSERT_EQ(put(0xb, com::Variant::boolean(false)), S_OK);
    send(WM_LBUTTONDOWN, 100, 7);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetCursor(), arrow);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(0xe).lVal, 0);
    EXPECT_TRUE(recorder->calls().empty());
}

}  // namespace
