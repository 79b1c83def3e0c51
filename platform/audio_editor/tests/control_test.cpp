#include "audio_editor/control/audio_editor2.h"

#include "activex/testing/event_recorder.h"
#include "activex/testing/test_host.h"
#include "com/activation.h"
#include "fixtures.h"
#include "win32/kernel.h"
#include "win32/testing/cd_images.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>

using activex::testing::EventRecorder;
using activex::testing::TestHost;

namespace {

constexpr RECT kPos{0, 0, 200, 60};

// A late-bound call as the program makes it: by name, through IDispatch::Invoke.
struct Answer {
    HRESULT hr;
    com::Variant value;
    std::string description;
};

Answer invoke(IDispatch* object, const char16_t* name, WORD flags, std::vector<com::Variant> args = {}) {
    Answer answer{E_FAIL, {}, {}};
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    answer.hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(answer.hr)) return answer;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    answer.hr = object->Invoke(id, IID_NULL, 0, flags, &params, &answer.value, &info, nullptr);
    if (answer.hr == DISP_E_EXCEPTION) answer.description = com::toUtf8(com::view(info.bstrDescription));
    com::clearExcepInfo(&info);
    return answer;
}

com::Variant call(IDispatch* object, const char16_t* name, std::vector<com::Variant> args = {}) {
    Answer a = invoke(object, name, DISPATCH_METHOD, std::move(args));
    EXPECT_EQ(a.hr, S_OK) << com::toUtf8(name) << ": " << a.description;
    return a.value;
}
com::Variant get(IDispatch* object, const char16_t* name) {
    Answer a = invoke(object, name, DISPATCH_PROPERTYGET);
    EXPECT_EQ(a.hr, S_OK) << com::toUtf8(name);
    return a.value;
}
LONG getLong(IDispatch* object, const char16_t* name) {
    com::Variant v = get(object, name);
    VariantChangeType(&v, &v, 0, VT_I4);
    return v.lVal;
}
void put(IDispatch* object, const char16_t* name, com::Variant value) {
    Answer a = invoke(object, name, DISPATCH_PROPERTYPUT, {std::move(value)});
    EXPECT_EQ(a.hr, S_OK) << com::toUtf8(name);
}
com::ComPtr<IDispatch> part(IDispatch* object, const char16_t* name) {
    com::Variant v = get(object, name);
    EXPECT_EQ(v.vt, VT_DISPATCH);
    return com::ComPtr<IDispatch>(v.vt == VT_DISPATCH ? v.pdispVal : nullptr);
}

// The display settings as the program applies them once per load.
void applyDisplaySettings(IDispatch* editor) {
    put(editor, u"ScrollBarsVisible", com::Variant::boolean(false));
    call(part(editor, u"TimeRuler").get(), u"SetStyle", {com::Variant::i4(0)});
    call(part(editor, u"LevelRuler").get(), u"SetStyle", {com::Variant::i4(0)});
    auto colors = part(editor, u"Colors");
    call(colors.get(), u"SetSelectedWaveColor", {com::Variant::i4(0xFF0000)});
    call(colors.get(), u"SetSelectedBackColor", {com::Variant::i4(0xFF0000)});
    call(part(editor, u"Overview").get(), u"SetStyle", {com::Variant::i4(0)});
    call(colors.get(), u"SetBackColor", {com::Variant::i4(0xFF8080)});
    call(colors.get(), u"SetWaveColor", {com::Variant::i4(65535)});
    call(colors.get(), u"SetSelectedWaveColor", {com::Variant::i4(0xFF8080)});
}

class AudioEditor2Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(activex::testing::registerLibrary(AUDIO_EDITOR2_PATH), S_OK);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override { activex::testing::registerLibrary(AUDIO_EDITOR2_PATH, true); }

    // A 5-second stereo tone at 44.1 kHz that starts after one second of silence.
    std::string toneFile() {
        const std::string path = dir_.file("tone.wav");
        fixtures::writeWav(path, 44100, 2, 5 * 44100, fixtures::toneFrom(44100, 44100, 440));
        return path;
    }

    fixtures::TempDir dir_;
};

TEST_F(AudioEditor2Test, RegistrationNamesTheLibraryByProgIdAndTheCommandTakesItAway) {
    activex::testing::registerLibrary(AUDIO_EDITOR2_PATH, true);
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + AUDIO_EDITOR2_PATH).c_str()), 0);
    CoInitialize(nullptr);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(u"ZembraAudioEditor2.AudioEditor2", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_AudioEditor2);
    com::ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadRegTypeLib(LIBID_ZembraAudioEditor2, 1, 0, 0, lib.put()), S_OK);
    com::ComPtr<IDispatch> editor;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(editor.put())),
              S_OK);
    EXPECT_EQ(getLong(editor.get(), u"PlayState"), 0);
    editor = nullptr;
    CoUninitialize();

    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " -u " + AUDIO_EDITOR2_PATH).c_str()), 0);
    EXPECT_NE(CLSIDFromProgID(u"ZembraAudioEditor2.AudioEditor2", &clsid), S_OK);
    ASSERT_EQ(activex::testing::registerLibrary(AUDIO_EDITOR2_PATH), S_OK);
}

TEST_F(AudioEditor2Test, TheProgramsLoadAndLoopSequenceThroughIDispatch) {
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_AudioEditor2, kPos), S_OK);
    auto editor = host.site().query<IDispatch>();
    ASSERT_TRUE(editor);
    auto selection = part(editor.get(), u"Selection");

    // With nothing loaded the queries answer 0 and Stop and CloseFile do nothing.
    EXPECT_EQ(getLong(selection.get(), u"CurrentPosition"), 0);
    call(editor.get(), u"Stop");
    call(editor.get(), u"CloseFile");

    applyDisplaySettings(editor.get());
    call(editor.get(), u"OpenFile", {com::Variant::text(toneFile())});
    EXPECT_EQ(getLong(part(editor.get(), u"WaveInfo").get(), u"SampleRate"), 44100);
    const LONG length = getLong(selection.get(), u"Length");
    EXPECT_EQ(length, 5 * 44100);
    EXPECT_EQ(call(selection.get(), u"MsToPosition", {com::Variant::i4(1100)}).lVal, 48510);
    EXPECT_EQ(call(selection.get(), u"PositionToMs", {com::Variant::i4(length)}).lVal, 5000);

    // The loop: one block of clip and gap, pasted end to end three times.
    put(selection.get(), u"CurrentPosition", com::Variant::i4(length));
    put(editor.get(), u"LoopGap", com::Variant::i4(1100));
    put(selection.get(), u"SelectionActive", com::Variant::boolean(true));
    put(selection.get(), u"SelStart", com::Variant::i4(0));
    put(selection.get(), u"SelEnd", com::Variant::i4(length + 48510));
    const LONG block = getLong(selection.get(), u"SelEnd");
    call(editor.get(), u"CopySelection");
    put(selection.get(), u"SelectionActive", com::Variant::boolean(false));
    for (LONG k = 1; k <= 3; ++k) {
        put(selection.get(), u"CurrentPosition", com::Variant::i4(k * block));
        call(editor.get(), u"PasteAtPosition");
    }
    EXPECT_EQ(getLong(selection.get(), u"Length"), 4 * block);

    // The ringtone: a selection saved on its own.
    put(selection.get(), u"SelectionActive", com::Variant::boolean(true));
    put(selection.get(), u"SelStart", com::Variant::i4(44100));
    put(selection.get(), u"SelEnd", com::Variant::i4(3 * 44100));
    call(part(editor.get(), u"SaveFormat").get(), u"SetFormat",
         {com::Variant::i4(44100), com::Variant::i4(32), com::Variant::i4(1)});
    const std::string saved = dir_.file("ring.mp3");
    call(editor.get(), u"SaveFile", {com::Variant::text(saved), com::Variant::boolean(true)});
    call(editor.get(), u"CloseFile");
    EXPECT_EQ(getLong(selection.get(), u"Length"), 0);
    call(editor.get(), u"OpenFile", {com::Variant::text(saved)});
    EXPECT_EQ(getLong(selection.get(), u"Length"), 2 * 44100);
}

TEST_F(AudioEditor2Test, FailuresRaiseAutomationErrorsWithTheirMessage) {
    TestHost host;
    ASSERT_EQ(host.create(CLSID_AudioEditor2), S_OK);
    auto editor = host.site().query<IDispatch>();
    const std::string corrupt = dir_.file("corrupt.mp3");
    fixtures::writeBytes(corrupt, std::vector<uint8_t>(4096, 0x5A));

    const struct {
        IDispatch* object;
        const char16_t* name;
        std::vector<com::Variant> args;
    } cases[] = {
        {editor.get(), u"OpenFile", {com::Variant::text(corrupt)}},
        {editor.get(), u"Play", {}},
        {editor.get(), u"SaveFile", {com::Variant::text(dir_.file("x.mp3")), com::Variant::boolean(true)}},
        {editor.get(), u"PasteAtPosition", {}},
        {part(editor.get(), u"SaveFormat").get(), u"SetFormat",
         {com::Variant::i4(44100), com::Variant::i4(33), com::Variant::i4(1)}},
        {part(editor.get(), u"Colors").get(), u"SetWaveColor", {com::Variant::i4(0x7F000000)}},
    };
    for (const auto& c : cases) {
        Answer a = invoke(c.object, c.name, DISPATCH_METHOD, c.args);
        EXPECT_EQ(a.hr, DISP_E_EXCEPTION) << com::toUtf8(c.name);
        EXPECT_FALSE(a.description.empty()) << com::toUtf8(c.name);
    }
    EXPECT_EQ(getLong(part(editor.get(), u"Selection").get(), u"Length"), 0);
}

TEST_F(AudioEditor2Test, InPlaceTheWindowShowsTheClipAndSelectionInTheProgramsColours) {
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_AudioEditor2, kPos), S_OK);
    auto editor = host.site().query<IDispatch>();
    applyDisplaySettings(editor.get());
    call(editor.get(), u"OpenFile", {com::Variant::text(toneFile())});
    auto selection = part(editor.get(), u"Selection");
    put(selection.get(), u"SelectionActive", com::Variant::boolean(true));
    put(selection.get(), u"SelStart", com::Variant::i4(0));
    put(selection.get(), u"SelEnd", com::Variant::i4(2 * 44100));
    host.pump();

    HWND window = host.site().controlWindow();
    ASSERT_NE(window, nullptr);
    HDC dc = GetDC(window);
    // 200 columns over 5 s: the selection is columns 0-79, the silence columns 0-39.
    EXPECT_EQ(GetPixel(dc, 20, 2), 0x00FF0000u);     // selected background
    EXPECT_EQ(GetPixel(dc, 20, 29), 0x00FF8080u);    // selected silence line
    EXPECT_EQ(GetPixel(dc, 120, 2), 0x00FF8080u);    // background
    EXPECT_EQ(GetPixel(dc, 120, 29), 0x0000FFFFu);   // the tone
    EXPECT_EQ(GetPixel(dc, 0, 2), 0x0000FFFFu);      // the play head at SelStart on blue
    ReleaseDC(window, dc);
}

TEST_F(AudioEditor2Test, PlaybackEndedReachesTheSinksOnTheOwnersThread) {
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_AudioEditor2, kPos), S_OK);
    auto editor = host.site().query<IDispatch>();
    auto sink = EventRecorder::make(DIID__IAudioEditor2Events);
    ASSERT_TRUE(sink->connect(host.site().control()));
    call(editor.get(), u"OpenFile", {com::Variant::text(toneFile())});
    auto selection = part(editor.get(), u"Selection");
    put(selection.get(), u"SelectionActive", com::Variant::boolean(true));
    put(selection.get(), u"SelStart", com::Variant::i4(44100));
    put(selection.get(), u"SelEnd", com::Variant::i4(44100 + 4410));
    put(selection.get(), u"CurrentPosition", com::Variant::i4(44100));
    call(editor.get(), u"Play");
    EXPECT_EQ(getLong(editor.get(), u"PlayState"), 1);

    const gint64 deadline = g_get_monotonic_time() + 10 * G_TIME_SPAN_SECOND;
    while (sink->calls().empty() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, TRUE);
    // Nothing further arrives once it has ended.
    host.pump();
    ASSERT_EQ(sink->calls().size(), 1u);
    EXPECT_EQ(sink->calls()[0].dispid, kPlaybackEndedEvent);
    EXPECT_EQ(sink->calls()[0].thread, GetCurrentThreadId());
    EXPECT_EQ(getLong(editor.get(), u"PlayState"), 0);
    EXPECT_EQ(getLong(selection.get(), u"CurrentPosition"), 44100);
    sink->disconnect();
}

TEST_F(AudioEditor2Test, OpensATrackFileOfTheCdDriveByItsProgramPath) {
    cd_images::DiscFolder disc;
    disc.write({{true, 375}, {false, 300}});
    TestHost host;
    ASSERT_EQ(host.createAndActivate(CLSID_AudioEditor2, kPos), S_OK);
    auto editor = host.site().query<IDispatch>();
    ASSERT_TRUE(editor);
    auto selection = part(editor.get(), u"Selection");

    call(editor.get(), u"OpenFile", {com::Variant::text("D:\\Track01.cda")});
    EXPECT_EQ(getLong(part(editor.get(), u"WaveInfo").get(), u"SampleRate"), 44100);
    const LONG length = getLong(selection.get(), u"Length");
    EXPECT_EQ(length, 375 * 588);
    EXPECT_EQ(call(selection.get(), u"PositionToMs", {com::Variant::i4(length)}).lVal, 5000);

    Answer refused = invoke(editor.get(), u"OpenFile", DISPATCH_METHOD, {com::Variant::text("D:\\Track02.cda")});
    EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(getLong(selection.get(), u"Length"), 0);
}

}  // namespace
