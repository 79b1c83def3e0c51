#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cairo.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <thread>

#include "info_windows.h"
#include "late_bound.h"
#include "main_window_fixture.h"
#include "program_values.h"

namespace {

// A mono 16-bit tone at 44.1 kHz of the given length.
void writeTone(const std::string& path, long milliseconds) {
    const std::uint32_t frames = static_cast<std::uint32_t>(std::llround(milliseconds * 44.1));
    std::string data;
    data.reserve(frames * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        auto sample = static_cast<std::int16_t>(9000 * std::sin(i * 2 * M_PI * 440 / 44100.0));
        data.push_back(static_cast<char>(sample & 0xFF));
        data.push_back(static_cast<char>((sample >> 8) & 0xFF));
    }
    auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF" << u32(36 + static_cast<std::uint32_t>(data.size())) << "WAVEfmt " << u32(16) << u16(1) << u16(1)
        << u32(44100) << u32(88200) << u16(2) << u16(16) << "data" << u32(static_cast<std::uint32_t>(data.size()))
        << data;
}

// Generous: the slider's glide runs on its own thread, slowly in the sanitizer build.
constexpr std::chrono::milliseconds kGlide{30000};

class Editing : public MainWindowTest {
protected:
    // Opens the window on the audio source step and loads the file through the dialog.
    frm_Main& load(const std::string& name, long milliseconds) {
        if (milliseconds > 0) writeTone(path(name), milliseconds);
        forms::setFileDialogHook([this, name](const forms::FileDialogRequest& request) {
            dialogs.push_back(request);
            return name.empty() ? std::string() : path(name);
        });
        auto& main = open();
        main.SetFrame(3);
        main.m_FrameNumber = 3;
        forms::drive::click(main.cmd_FromData);
        return main;
    }
    // A 40 s clip with a 10 s ringtone, stopped: room to wind both ways.
    frm_Main& loadForWinding() {
        writeTone(path("song.wav"), 40000);
        auto& main = load("song.wav", 0);
        main.txtbox_RingtoneLength.Text("10");
        g_RingtoneLength = 10 * 44100;
        stop(main);
        return main;
    }
    long sel(frm_Main& main, const char* name) {
        return late_bound::AsLong(
            late_bound::Get(late_bound::GetObject(main.AudioEditor21->Object(), "Selection").get(), name));
    }
    void setSel(frm_Main& main, const char* name, long value) {
        late_bound::Put(late_bound::GetObject(main.AudioEditor21->Object(), "Selection").get(), name,
                        com::Variant::i4(value));
    }
    long slider(frm_Main& main, const char* name) {
        return late_bound::AsLong(late_bound::Get(main.AudioSliderType21->Object(), name));
    }
    bool playing(frm_Main& main) {
        return late_bound::AsLong(late_bound::Get(main.AudioEditor21->Object(), "PlayState")) == 1;
    }
    void stop(frm_Main& main) {
        main.cmd_Stop_AudioEditor_Click();
        forms::drive::pump();
    }

    std::vector<forms::FileDialogRequest> dialogs;
};

TEST_F(Editing, ALongFileIsLoadedSelectedAndPlayed) {
    auto& main = load("song.wav", 29000);
    ASSERT_TRUE(messages.empty()) << messages.front().text;
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Select Audio File");
    ASSERT_EQ(dialogs[0].filters.size(), 1u);
    EXPECT_EQ(dialogs[0].filters[0].description, "Audio Files(*.wav, *.mp3, *.wma, *.cda, *.avi)");
    EXPECT_EQ(dialogs[0].filters[0].patterns.back(), "*.avi");
    EXPECT_EQ(trackingSteps(), std::vector<std::string>{"310"});

    EXPECT_EQ(main.m_FrameNumber, 4);
    EXPECT_TRUE(main.fr_Main(4).Visible());
    EXPECT_EQ(g_SampleRate, 44100);
    EXPECT_EQ(g_ClipLengthMs, 29000);
    EXPECT_FALSE(g_Looping);
    EXPECT_EQ(g_RingtoneLength, 28 * 44100);
    EXPECT_EQ(sel(main, "SelStart"), 0);
    EXPECT_EQ(sel(main, "SelEnd"), 28 * 44100);
    // Max 290 - 280 = 10 is raised to the length, and the length cannot grow.
    EXPECT_EQ(slider(main, "Max"), 28);
    EXPECT_NE(slider(main, "Enabled"), 0);
    EXPECT_FALSE(main.cmd_IncreaseRingtoneDuration.Visible());
    EXPECT_TRUE(main.cmd_Prev.Visible());
    EXPECT_TRUE(playing(main));
    EXPECT_TRUE(main.cmd_Stop_AudioEditor.Visible());
    EXPECT_FALSE(main.cmd_Play_AudioEditor.Visible());
    // 29 whole seconds are less than the length and two: no winding.
    EXPECT_FALSE(main.cmd_FastForward.Visible());
    EXPECT_TRUE(main.pb_FromData.Enabled());
    screenshot(main, "tavimo-main-step4.png");

    stop(main);
    EXPECT_FALSE(playing(main));
    EXPECT_TRUE(main.cmd_Play_AudioEditor.Visible());
    EXPECT_TRUE(main.cmd_MakeRingtone.Visible());
    EXPECT_TRUE(main.cmd_DecreaseRingtoneDuration.Visible());
    EXPECT_FALSE(main.cmd_Decrease_StartTime.Visible());
    EXPECT_TRUE(main.txt_RingtoneName.Enabled());
}

TEST_F(Editing, CancellingTheDialogKeepsTheStep) {
    auto& main = load("", 0);
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_TRUE(main.fr_Main(3).Visible());
    EXPECT_TRUE(main.pb_FromData.Enabled());
    EXPECT_TRUE(main.cmd_FromData.Enabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Editing, AFileTheEditorRefusesReturnsToTheSource) {
    write("broken.mp3", std::string(4096, 'Z'));
    auto& main = load("broken.mp3", 0);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"This file cannot be opened and may be copy protected.\rPlease try a different file.",
                             "Find File"}}));
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_TRUE(main.fr_Main(3).Visible());
    EXPECT_TRUE(g_AudioFilePath.empty());
    EXPECT_TRUE(main.pb_FromData.Enabled());
}

TEST_F(Editing, ADropOnTheSourceStepOpensTheDialog) {
    auto& main = load("", 0);
    forms::drive::drop(main.fr_Main(3), "file:///anything.txt");
    EXPECT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(main.m_FrameNumber, 3);
}

TEST_F(Editing, AShortClipIsLoopedIntoALongerOne) {
    auto& main = load("short.wav", 5000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "Looping File");
    EXPECT_EQ(messages[0].text,
              "The file you have opened is twelve seconds or less.\rTavimo will automatically loop (repeat) your "
              "audio clip.");
    EXPECT_TRUE(g_Looping);
    EXPECT_EQ(g_LoopLengthMs, 4 * 6100);
    EXPECT_FALSE(exists("loop.mp3"));
    // Four blocks of clip and gap, give or take the encoder's frames.
    EXPECT_NEAR(g_ClipLengthMs, 24400, 200);
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), std::to_string(g_ClipLengthMs / 1000));
    EXPECT_EQ(g_RingtoneLength, g_ClipLength - 2000);
    EXPECT_EQ(sel(main, "SelEnd"), g_ClipLength - 2000);
    EXPECT_EQ(slider(main, "Enabled"), 0);
    EXPECT_TRUE(playing(main));
}

// The user closes the window while the looped clip is being built: the moment the loop file
// is written, the events the builder lets run carry the close.
TEST_F(Editing, ClosingTheWindowWhileTheLoopIsBuiltLeavesNoLoopFile) {
    forms::Form closer("closer");
    forms::Timer closing(closer, "closing");
    closer.Load();
    bool closed = false;
    closing.Tick = [&] {
        if (!exists("loop.mp3")) return;
        closing.Enabled(false);
        closed = true;
        if (frm_Main* window = FindMainWindow()) window->Unload();
    };
    closing.Interval(1);
    closing.Enabled(true);
    load("short.wav", 5000);
    ASSERT_TRUE(closed);
    EXPECT_EQ(FindMainWindow(), nullptr);
    EXPECT_FALSE(exists("loop.mp3"));
}

// Closing the loop's notice from its title bar declines the loop, as its close button does.
TEST_F(Editing, ClosingTheLoopNoticeFromTheWindowManagerDeclinesTheLoop) {
    SetMessagePresenter([this](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
        whenModal<TestToneMsg>([](TestToneMsg& window) { forms::drive::closeFromWindowManager(window); });
        ShowMessageWindow(text, title);
    });
    auto& main = load("short.wav", 12000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(g_Looping);
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "12");
    EXPECT_EQ(sel(main, "SelEnd"), 12 * 44100 - 2000);
    EXPECT_EQ(findForm<TestToneMsg>(), nullptr);
}

TEST_F(Editing, DecliningTheLoopUsesTheWholeClip) {
    SetMessagePresenter([this](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
        forms::drive::later([] { forms::drive::click(forms::Default<TestToneMsg>().Image1); });
        ShowMessageWindow(text, title);
    });
    auto& main = load("short.wav", 12000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(g_Looping);
    EXPECT_EQ(g_ClipLengthMs, 12000);
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "12");
    EXPECT_EQ(sel(main, "SelStart"), 0);
    EXPECT_EQ(sel(main, "SelEnd"), 12 * 44100 - 2000);
}

TEST_F(Editing, OnlyClipsOfTwelveSecondsOrLessLoop) {
    load("long.wav", 12001);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(g_Looping);
}

TEST_F(Editing, PlayWithNothingLoadedOnlyShowsTheTimeDisplay) {
    auto& main = open();
    main.SetFrame(4);
    main.cmd_Play_AudioEditor_Click();
    EXPECT_TRUE(static_cast<forms::Control&>(*main.AudioTimeDisplayType11).Visible());
    EXPECT_FALSE(main.img_AudioTimeDisplay.Visible());
    EXPECT_FALSE(main.Timer1.Enabled() && main.Timer1.Interval() == 100);
}

TEST_F(Editing, WindingMovesTheSelectionByTwoSecondsWithinTheClip) {
    auto& main = loadForWinding();

    // 40 s clip, 10 s selection: the start goes forward in 2 s steps (from wherever playback
    // has taken the position) until one more step would pass the clip's end.
    g_FastForwardHeld = true;
    for (int tick = 0; tick < 25; ++tick) main.Timer2_Timer();
    g_FastForwardHeld = false;
    EXPECT_LE(sel(main, "SelEnd"), g_ClipLength);
    EXPECT_GT(sel(main, "SelEnd") + 2 * 44100, g_ClipLength);
    EXPECT_EQ(g_StartPoint, sel(main, "SelStart"));
    EXPECT_EQ(sel(main, "SelEnd") - sel(main, "SelStart"), 10 * 44100);

    // Rewinding stops at the clip's start (give or take what playback has played since).
    g_RewindHeld = true;
    for (int tick = 0; tick < 25; ++tick) main.Timer2_Timer();
    g_RewindHeld = false;
    EXPECT_GE(sel(main, "SelStart"), 0);
    EXPECT_LT(sel(main, "SelStart"), 44100 / 10);
    EXPECT_EQ(g_StartPoint, sel(main, "SelStart"));
    stop(main);
}

// The last step, taken once playback has moved on from the selection's start, ends the selection
// at the clip's end and not past it.
TEST_F(Editing, TheLastWindStepEndsTheSelectionAtTheClipsEnd) {
    auto& main = loadForWinding();
    // Held from here on, so that the slider's glide since the loading moves nothing.
    g_FastForwardHeld = true;
    const long last = g_ClipLength - g_RingtoneLength - 2 * 44100;
    g_StartPoint = last;
    setSel(main, "CurrentPosition", last);
    setSel(main, "SelStart", last);
    setSel(main, "SelEnd", last + g_RingtoneLength);
    main.cmd_Play_AudioEditor_Click();
    for (int wait = 0; wait < 500 && sel(main, "CurrentPosition") <= last; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(sel(main, "CurrentPosition"), last);
    main.Timer2_Timer();
    g_FastForwardHeld = false;
    EXPECT_EQ(sel(main, "SelEnd"), g_ClipLength);
    EXPECT_EQ(sel(main, "SelEnd") - sel(main, "SelStart"), 10 * 44100);
    stop(main);
}

TEST_F(Editing, TheSliderMovesTheStartPoint) {
    auto& main = load("song.wav", 40000);
    stop(main);
    // The thumb glides to the new value and reports it on the way.
    late_bound::Put(main.AudioSliderType21->Object(), "Value", com::Variant::i4(55));
    ASSERT_TRUE(forms::drive::waitUntil([&] { return slider(main, "Value") == 55 && g_PositionMs == 5500; }, kGlide));
    EXPECT_EQ(g_StartPoint, 5.5 * 44100);
    EXPECT_EQ(sel(main, "SelEnd"), g_StartPoint + 28 * 44100);
    EXPECT_EQ(g_PositionMs, 5500);
    EXPECT_TRUE(main.cmd_Decrease_StartTime.Visible());
    EXPECT_FALSE(main.pb_SliderButtonLabel.Visible());
    stop(main);
}

TEST_F(Editing, FineTuningTheLengthKeepsItBetweenSevenAndTheClip) {
    auto& main = load("song.wav", 40000);
    stop(main);
    // 28 is the most.
    g_IncreaseLengthHeld = true;
    main.Timer3_Timer();
    g_IncreaseLengthHeld = false;
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "28");
    EXPECT_FALSE(main.cmd_IncreaseRingtoneDuration.Visible());

    g_DecreaseLengthHeld = true;
    for (int tick = 0; tick < 25; ++tick) main.Timer3_Timer();
    g_DecreaseLengthHeld = false;
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "7");
    EXPECT_FALSE(main.cmd_DecreaseRingtoneDuration.Visible());
    EXPECT_TRUE(main.cmd_IncreaseRingtoneDuration.Visible());
    EXPECT_EQ(g_RingtoneLength, 7 * 44100);
    EXPECT_EQ(sel(main, "SelEnd") - sel(main, "SelStart"), 7 * 44100);

    g_IncreaseLengthHeld = true;
    main.Timer3_Timer();
    g_IncreaseLengthHeld = false;
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "8");
    EXPECT_EQ(sel(main, "SelEnd") - sel(main, "SelStart"), 8 * 44100);
    EXPECT_EQ(slider(main, "Max"), 400 + 10 - 80);
}

TEST_F(Editing, LengthReachesTheClipsWholeSeconds) {
    auto& main = load("song.wav", 20000);
    main.txtbox_RingtoneLength.Text("19");
    stop(main);
    ASSERT_TRUE(main.cmd_IncreaseRingtoneDuration.Visible());
    g_IncreaseLengthHeld = true;
    main.Timer3_Timer();
    main.Timer3_Timer();
    g_IncreaseLengthHeld = false;
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "20");
    EXPECT_FALSE(main.cmd_IncreaseRingtoneDuration.Visible());
}

TEST_F(Editing, FineTuningTheStartStaysInsideTheClip) {
    auto& main = load("song.wav", 30000);
    stop(main);
    main.txtbox_RingtoneLength.Text("28");
    // From 100 ms a step back reaches 0 and the button stays active: it judges the position
    // before the step. The next step stays at 0 and makes it inactive.
    late_bound::Put(main.AudioSliderType21->Object(), "Value", com::Variant::i4(1));
    ASSERT_TRUE(forms::drive::waitUntil([&] { return g_StartPoint == 4410; }, kGlide));
    g_DecreaseStartHeld = true;
    main.Timer3_Timer();
    EXPECT_EQ(sel(main, "SelStart"), 0);
    EXPECT_TRUE(main.cmd_Decrease_StartTime.Visible());
    main.Timer3_Timer();
    g_DecreaseStartHeld = false;
    EXPECT_EQ(sel(main, "SelStart"), 0);
    EXPECT_EQ(sel(main, "CurrentPosition"), 0);
    EXPECT_FALSE(main.cmd_Decrease_StartTime.Visible());

    // Forward the start ends with the clip's end and lets go of the button by itself.
    g_IncreaseStartHeld = true;
    for (int tick = 0; tick < 40 && g_IncreaseStartHeld; ++tick) main.Timer3_Timer();
    EXPECT_FALSE(g_IncreaseStartHeld);
    EXPECT_EQ(sel(main, "SelEnd"), g_ClipLength);
    EXPECT_EQ(sel(main, "SelStart"), g_ClipLength - 28 * 44100);
    EXPECT_FALSE(main.cmd_Increase_StartTime.Visible());

    // Both start buttons held act in one tick.
    g_IncreaseStartHeld = g_DecreaseStartHeld = true;
    const long before = sel(main, "SelStart");
    main.Timer3_Timer();
    g_IncreaseStartHeld = g_DecreaseStartHeld = false;
    EXPECT_EQ(sel(main, "SelStart"), before - 4410);
}

TEST_F(Editing, DisablingTheEditingControlsLeavesNothingToPress) {
    auto& main = load("song.wav", 29000);
    stop(main);
    main.DisableEditingControls();
    for (auto* button : {&main.cmd_FastForward, &main.cmd_Rewind, &main.cmd_Increase_StartTime,
                         &main.cmd_Decrease_StartTime, &main.cmd_Stop_AudioEditor, &main.cmd_IncreaseRingtoneDuration,
                         &main.cmd_DecreaseRingtoneDuration, &main.cmd_Play_AudioEditor})
        EXPECT_FALSE(button->Visible()) << button->Name();
    EXPECT_TRUE(main.img_Play_AudioEditor.Visible());
    EXPECT_TRUE(main.img_AudioTimeDisplay.Visible());
    EXPECT_FALSE(main.img_fineTune.Visible());
    EXPECT_FALSE(static_cast<forms::Control&>(*main.AudioTimeDisplayType11).Visible());
    EXPECT_EQ(slider(main, "Enabled"), 0);
}

// A held button that turns inactive lets go: its release never reaches it once its picture has
// given way to the inactive one.
TEST_F(Editing, AFineTuneButtonThatTurnsInactiveIsNoLongerHeld) {
    auto& main = load("song.wav", 40000);
    stop(main);
    auto length = [&] { return std::stoi(main.txtbox_RingtoneLength.Text()); };
    forms::drive::press(main.cmd_DecreaseRingtoneDuration);
    ASSERT_TRUE(forms::drive::waitUntil([&] { return length() == 7; }, kGlide));
    ASSERT_TRUE(forms::drive::waitUntil([&] { return !main.cmd_DecreaseRingtoneDuration.Visible(); }));
    forms::drive::press(main.cmd_IncreaseRingtoneDuration);
    EXPECT_TRUE(forms::drive::waitUntil([&] { return length() > 7; }));
    forms::drive::release(main.cmd_IncreaseRingtoneDuration);

    // The start comes back to 0 with "-" held; playing then runs on.
    forms::drive::press(main.cmd_Increase_StartTime);
    ASSERT_TRUE(forms::drive::waitUntil([&] { return sel(main, "SelStart") >= 5 * 4410; }));
    forms::drive::release(main.cmd_Increase_StartTime);
    forms::drive::press(main.cmd_Decrease_StartTime);
    ASSERT_TRUE(forms::drive::waitUntil([&] { return !main.cmd_Decrease_StartTime.Visible(); }, kGlide));
    EXPECT_EQ(sel(main, "SelStart"), 0);
    forms::drive::click(main.cmd_Play_AudioEditor);
    forms::drive::pump(std::chrono::milliseconds(500));
    EXPECT_TRUE(playing(main));
    main.AudioEditor21_PlaybackEnded();
    EXPECT_TRUE(main.cmd_MakeRingtone.Visible());
}

class Ordering : public Editing {
protected:
    void SetUp() override {
        Editing::SetUp();
        write("Backend.txt", service.backendFile());
        ReadBackendFile(path("Backend.txt"));
        setenv("TAVIMO_CONNECTIVITY_URL", ("http://" + service.host() + "/").c_str(), 1);
        forms::setNowSource([] { return forms::DateTime{2012, 9, 6, 14, 30, 15}; });
        g_PartnerID = "tvm";
        g_CountryCode = 1;
    }
    void TearDown() override {
        forms::setNowSource(nullptr);
        unsetenv("TAVIMO_CONNECTIVITY_URL");
        Editing::TearDown();
    }
    // The editing step with a clip loaded and played to its end, the phone step done.
    frm_Main& ready() {
        auto& main = load("song.wav", 9000 + 20000);
        main.prp_PhoneNumber("5551234567");
        main.prp_CarrierSelect("Verizon Wireless");
        main.meb_PhoneNumber1.Text("5551234567");
        main.AudioEditor21_PlaybackEnded();
        forms::drive::focus(main);
        return main;
    }
};

TEST(TimeStamp, MonthDayYearHourMinuteSecond) {
    EXPECT_EQ(MakeTimeStamp(forms::DateTime{2012, 9, 6, 14, 30, 15}), "090612143015");
    EXPECT_EQ(MakeTimeStamp(forms::DateTime{2009, 12, 31, 0, 5, 9}), "123109000509");
}

TEST_F(Ordering, TheNameBoxTakesUpToEightLettersAndDigits) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    EXPECT_TRUE(main.fr_NameRingtone.Visible());
    EXPECT_FALSE(main.cmd_Prev.Visible());
    EXPECT_FALSE(playing(main));
    EXPECT_EQ(main.txt_RingtoneName.SelLength(), 8);  // "NameTone" all selected, typing replaces it
    forms::drive::type(main.txt_RingtoneName, "a-b");
    EXPECT_EQ(main.txt_RingtoneName.Text(), "ab");
    EXPECT_EQ(beeps, 2);
    forms::drive::key(main.txt_RingtoneName, forms::vbKeyEscape);
    EXPECT_EQ(main.txt_RingtoneName.Text(), "");
    forms::drive::type(main.txt_RingtoneName, "123456789");
    EXPECT_EQ(main.txt_RingtoneName.Text(), "12345678");
    EXPECT_EQ(trackingSteps(), (std::vector<std::string>{"310", "400"}));

    forms::drive::click(main.cmd_RingtoneNameCancel);
    EXPECT_FALSE(main.fr_NameRingtone.Visible());
    EXPECT_TRUE(main.cmd_Prev.Visible());
    EXPECT_TRUE(playing(main));
    stop(main);
}

TEST_F(Ordering, AnEmptyNameIsRefusedAndThePanelStays) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("");
    forms::drive::click(main.cmd_OkRingtoneName);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"Maximum length is 8 characters.  Only letters and numbers can be used.", "Name Ringtone"}}));
    EXPECT_TRUE(main.fr_NameRingtone.Visible());
    EXPECT_FALSE(playing(main));
    EXPECT_EQ(main.cmd_OkRingtoneName.MousePointer(), forms::vbCustom);
}

TEST_F(Ordering, ConfirmingSavesUploadsBillsAndReturnsToTheSource) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("Tune");
    const std::string file = "Tune5551234567090612143015.mp3";
    std::string billed;
    bool savedBeforeBilling = false;
    whenModal<frm_billing_stub>([&](frm_billing_stub& billing) {
        EXPECT_EQ(billing.Caption(), "Tavimo Billing Option");
        forms::drive::waitUntil([&] { return !billing.WebBrowser1.Busy(); });
        billed = billing.WebBrowser1.LocationURL();
        savedBeforeBilling = service.uploads().size() == 1;
        billing.Unload();
    });
    forms::drive::click(main.cmd_OkRingtoneName);
    EXPECT_TRUE(messages.empty()) << messages.front().text;

    EXPECT_EQ(billed, "http://" + service.host() + "/billing/index.php?mobile=5551234567&network=Verizon%20Wireless"
                      "&filename=" + file + "&partnerid=tvm&country=1");
    ASSERT_TRUE(savedBeforeBilling);
    const auto upload = service.uploads().front();
    EXPECT_EQ(upload.fieldName, "uploadedfile");
    EXPECT_EQ(upload.fileName.substr(upload.fileName.rfind('/') + 1), file);
    EXPECT_EQ(upload.data.substr(0, 3) == "ID3" || (static_cast<unsigned char>(upload.data[0]) == 0xFF), true);
    EXPECT_EQ(trackingSteps(), (std::vector<std::string>{"310", "400", "410"}));
    bool partner = false, home = false;
    for (const auto& line : service.requestLines()) {
        partner = partner || line.find("/_php/partner_post.php?mobile=5551234567") != std::string::npos;
        home = home || line.find("/_php/mod_tracking.php?filename=" + file) != std::string::npos;
    }
    EXPECT_TRUE(partner);
    EXPECT_TRUE(home);
    EXPECT_NE(read("UserProfile.ini").find("5551234567"), std::string::npos);

    EXPECT_FALSE(exists(file));
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_TRUE(main.fr_Main(3).Visible());
    EXPECT_EQ(main.txt_RingtoneName.Text(), "NameTone");
    EXPECT_EQ(sel(main, "Length"), 0);
    EXPECT_EQ(g_PhoneNumberText, "5551234567");
}

// Offline at the order: the retry prompt three times, then the shutdown notice without Cancel.
TEST_F(Ordering, StayingOfflineEndsTheProgramAfterThreeRetries) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("Tune");
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    std::vector<std::string> prompts;
    std::function<void(InternetConnection&)> answer = [&](InternetConnection& dialog) {
        prompts.push_back(dialog.lbResult.Caption() + (dialog.cmd_cancel.Visible() ? "|cancel" : ""));
        if (prompts.size() < 4) whenModal<InternetConnection>(answer);
        forms::drive::click(dialog.OkInternet);
    };
    whenModal<InternetConnection>(answer);
    forms::drive::click(main.cmd_OkRingtoneName);
    forms::drive::pump();
    ASSERT_EQ(prompts.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(prompts[i], "Re-establish Internet Connection and then press <OK>\r Press <Cancel> To Exit Program |cancel");
    EXPECT_EQ(prompts[3], "It seems that you are having trouble connecting to the internet.  Tavimo will now shutdown.  \r"
                          "No paypal transaction has occurred.");
    EXPECT_TRUE(forms::Forms().empty());
    EXPECT_EQ(trackingSteps(), (std::vector<std::string>{"310", "400"}));
    EXPECT_TRUE(service.uploads().empty());
}

TEST_F(Ordering, CancelInTheRetryPromptEndsTheProgramAtOnce) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("Tune");
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    int prompts = 0;
    whenModal<InternetConnection>([&](InternetConnection& dialog) {
        ++prompts;
        forms::drive::click(dialog.cmd_cancel);
    });
    forms::drive::click(main.cmd_OkRingtoneName);
    forms::drive::pump();
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(forms::Forms().empty());
    EXPECT_TRUE(service.uploads().empty());
}

// Closing the retry prompt from its title bar (or with Alt+F4) answers as its close button does.
TEST_F(Ordering, ClosingTheRetryPromptFromTheWindowManagerEndsTheProgram) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("Tune");
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    int prompts = 0;
    std::function<void(InternetConnection&)> answer = [&](InternetConnection& dialog) {
        // A prompt shown again was taken for a retry; Cancel then ends the test.
        if (++prompts > 1) return forms::drive::click(dialog.cmd_cancel);
        forms::drive::closeFromWindowManager(dialog);
        whenModal<InternetConnection>(answer);
    };
    whenModal<InternetConnection>(answer);
    forms::drive::click(main.cmd_OkRingtoneName);
    forms::drive::pump();
    EXPECT_EQ(prompts, 1);
    EXPECT_TRUE(forms::Forms().empty());
    EXPECT_TRUE(service.uploads().empty());
}

// A listener whose queue is full: a further connection is never accepted, and its connector
// waits for it.
class StalledListener {
public:
    StalledListener() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 0);
        socklen_t size = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        for (int& filler : fillers_) {
            filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
    }
    ~StalledListener() {
        for (int filler : fillers_) close(filler);
        close(listener_);
    }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int listener_ = -1;
    int fillers_[2] = {-1, -1};
    int port_ = 0;
};

// The user closes the main window while the upload waits for its connection: nothing of the
// order runs after that, and the program ends.
TEST_F(Ordering, ClosingTheWindowWhileTheUploadWaitsEndsTheOrder) {
    StalledListener stalled;
    auto& main = ready();
    g_UploadHost = stalled.hostPort();
    forms::drive::click(main.cmd_MakeRingtone);
    main.txt_RingtoneName.Text("Tune");
    bool billed = false;
    forms::drive::later([&] {
        if (auto* billing = findForm<frm_billing_stub>()) {
            billed = true;
            billing->Unload();
        }
    });
    forms::Form closer("closer");
    forms::Timer closing(closer, "closing");
    closer.Load();
    closing.Tick = [&] {
        closing.Enabled(false);
        if (frm_Main* window = FindMainWindow()) window->Unload();
    };
    closing.Interval(300);
    closing.Enabled(true);
    forms::drive::click(main.cmd_OkRingtoneName);
    forms::drive::pump(std::chrono::milliseconds(100));

    EXPECT_FALSE(billed);
    EXPECT_TRUE(forms::Forms().empty());
    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(trackingSteps(), (std::vector<std::string>{"310", "400", "410"}));
    for (const auto& line : service.requestLines()) EXPECT_EQ(line.find("mod_tracking.php?filename="), std::string::npos);
}

// A ringtone the service did not receive is not billed: the user is told, and the editing step
// comes back with the selection, to try again.
TEST_F(Ordering, AFailedUploadIsNotBilled) {
    StalledListener stalled;
    struct Failure {
        std::string host;
        std::string box;
    };
    auto& main = ready();
    for (const Failure& failure : std::vector<Failure>{{"127.0.0.1:1", "Connection is forcefully rejected"},
                                                       {stalled.hostPort(), "Connection to the upload server timed out"}}) {
        boxes.clear();
        g_UploadHost = failure.host;
        main.cmd_Stop_AudioEditor_Click();
        forms::drive::click(main.cmd_MakeRingtone);
        main.txt_RingtoneName.Text("Tune");
        bool billed = false;
        forms::drive::later([&] {
            if (auto* billing = findForm<frm_billing_stub>()) {
                billed = true;
                billing->Unload();
            }
        });
        forms::drive::click(main.cmd_OkRingtoneName);
        forms::drive::pump(std::chrono::milliseconds(100));

        EXPECT_EQ(boxes, (std::vector<ShownMessage>{{failure.box, "ERROR"}}));
        EXPECT_FALSE(billed);
        for (const auto& line : service.requestLines())
            EXPECT_EQ(line.find("mod_tracking.php?filename="), std::string::npos);
        EXPECT_FALSE(exists("Tune5551234567090612143015.mp3"));
        EXPECT_EQ(main.m_FrameNumber, 4);
        EXPECT_TRUE(main.fr_Main(4).Visible());
        EXPECT_FALSE(main.fr_NameRingtone.Visible());
        EXPECT_TRUE(main.cmd_Prev.Visible());
        EXPECT_TRUE(playing(main));
    }
    stop(main);
}

// The naming panel lies over the editor, the slider and the transport bar: while it shows, it
// looks as it would with none of them on the window.
TEST_F(Ordering, TheNamingPanelIsDrawnAboveTheHostedControls) {
    auto& main = ready();
    forms::drive::click(main.cmd_MakeRingtone);
    forms::drive::pump(std::chrono::milliseconds(200));
    cairo_surface_t* shown = forms::drive::capture(main);
    for (auto* control : {&main.AudioEditor21, &main.AudioSliderType21, &main.AudioPlayButtonType21})
        (*control)->Visible(false);
    forms::drive::pump(std::chrono::milliseconds(200));
    cairo_surface_t* alone = forms::drive::capture(main);

    ASSERT_EQ(cairo_image_surface_get_height(shown), cairo_image_surface_get_height(alone));
    // The panel in the window's pixels, below the menu bar; the name box, whose caret blinks,
    // is left out.
    const int top = cairo_image_surface_get_height(shown) - 500 + 137 + 40, left = 200 + 60;
    const int stride = cairo_image_surface_get_stride(shown);
    auto pixel = [&](cairo_surface_t* s, int x, int y) {
        return reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) + (top + y) * stride)[left + x];
    };
    int differing = 0;
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 345; ++x)
            if (!(y >= 56 && y < 94 && x < 224) && pixel(shown, x, y) != pixel(alone, x, y)) ++differing;
    cairo_surface_destroy(shown);
    cairo_surface_destroy(alone);
    EXPECT_EQ(differing, 0);

    forms::drive::click(main.cmd_RingtoneNameCancel);
    for (auto* control : {&main.AudioEditor21, &main.AudioSliderType21, &main.AudioPlayButtonType21})
        EXPECT_TRUE(static_cast<forms::Control&>(**control).Visible()) << (*control)->Name();
    stop(main);
}

}  // namespace
