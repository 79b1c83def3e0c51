#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "late_bound.h"
#include "main_window_fixture.h"
#include "program_values.h"
#include "win32/testing/cd_images.h"

namespace {

constexpr int32_t kSecond = 75;  // sectors
const std::string kPutDisc = "Put an Audio CD in the open drive, close door, then click OK";

// The main window on the audio source step, with a drive whose disc the test writes.
class CdSource : public MainWindowTest {
protected:
    frm_Main& sourceStep() {
        auto& main = open();
        main.SetFrame(3);
        main.m_FrameNumber = 3;
        return main;
    }
    long sel(frm_Main& main, const char* name) {
        return late_bound::AsLong(
            late_bound::Get(late_bound::GetObject(main.AudioEditor21->Object(), "Selection").get(), name));
    }
    long slider(frm_Main& main, const char* name) {
        return late_bound::AsLong(late_bound::Get(main.AudioSliderType21->Object(), name));
    }
    bool editorPlaying(frm_Main& main) {
        return late_bound::AsLong(late_bound::Get(main.AudioEditor21->Object(), "PlayState")) == 1;
    }
    std::vector<int> visibleFrames(frm_Main& main) {
        std::vector<int> shown;
        for (int index : main.fr_Main.indices())
            if (main.fr_Main(index).Visible()) shown.push_back(index);
        return shown;
    }
    // Still on the source step, ready for another choice.
    void expectSourceStep(frm_Main& main) {
        EXPECT_EQ(visibleFrames(main), std::vector<int>{3});
        EXPECT_EQ(main.m_FrameNumber, 3);
        EXPECT_TRUE(main.pb_FromAudioCD.Enabled());
        EXPECT_TRUE(main.cmd_FromAudioCD.Enabled());
        EXPECT_NE(main.MMControl1.Mode(), forms::mciModePlaying);
    }
    void takeTrack(frm_Main& main, int track) {
        forms::drive::click(main.pb_FromAudioCD);
        for (int i = 1; i < track; ++i) forms::drive::click(main.cmd_PreviewNextTrack);
        ASSERT_EQ(main.TrackNumber.Text(), std::to_string(track));
        forms::drive::click(main.cmd_SelectTrack);
    }

    cd_images::DiscFolder disc;
};

TEST_F(CdSource, ChoosingTheCdPlaysTrackOneAndPreviewsTheOthers) {
    disc.write({{true, 2 * kSecond}, {true, 2 * kSecond}, {true, 2 * kSecond}});
    auto& main = sourceStep();
    forms::drive::click(main.pb_FromAudioCD);
    ASSERT_TRUE(messages.empty()) << messages.front().text;
    EXPECT_EQ(trackingSteps(), std::vector<std::string>{"300"});
    EXPECT_EQ(visibleFrames(main), std::vector<int>{31});
    EXPECT_EQ(main.Label16.Caption(), "Select Audio Track");
    EXPECT_EQ(main.m_FrameNumber, 4);
    EXPECT_TRUE(main.cmd_Prev.Visible());
    ASSERT_EQ(main.lb_CDRom.ListCount(), 1);
    EXPECT_EQ(main.lb_CDRom.List(0), "d:\\");
    EXPECT_EQ(g_AudioFilePath, "D:\\Track01.cda");
    for (auto [button, picture] : {std::pair{&main.cmd_PreviewNextTrack, &main.img_PreviewNextTrack},
                                   {&main.cmd_PreviewPreviousTrack, &main.img_PreviewPreviousTrack},
                                   {&main.cmd_PreviewStop, &main.img_PreviewStop},
                                   {&main.cmd_SelectTrack, &main.img_SelectTrack}}) {
        EXPECT_TRUE(button->Visible()) << button->Name();
        EXPECT_FALSE(picture->Visible()) << picture->Name();
    }
    EXPECT_EQ(main.TrackNumber.Text(), "1");
    EXPECT_EQ(main.MMControl1.Mode(), forms::mciModePlaying);
    EXPECT_EQ(main.MMControl1.Track(), 1);
    EXPECT_TRUE(main.pb_FromAudioCD.Enabled());
    EXPECT_TRUE(main.cmd_FromAudioCD.Enabled());
    screenshot(main, "tavimo-cd-tracks.png");

    struct Press {
        forms::Image* button;
        std::string track;
        bool playing;
    };
    for (const Press& press : std::vector<Press>{{&main.cmd_PreviewNextTrack, "2", true},
                                                 {&main.cmd_PreviewNextTrack, "3", true},
                                                 {&main.cmd_PreviewNextTrack, "3", true},
                                                 {&main.cmd_PreviewPreviousTrack, "2", true},
                                                 {&main.cmd_PreviewStop, "2", false},
                                                 {&main.cmd_PreviewPreviousTrack, "1", true}}) {
        forms::drive::click(*press.button);
        EXPECT_EQ(main.TrackNumber.Text(), press.track) << press.button->Name();
        EXPECT_EQ(main.MMControl1.Track(), std::stol(press.track));
        EXPECT_EQ(main.MMControl1.Mode() == forms::mciModePlaying, press.playing) << press.button->Name();
        EXPECT_EQ(main.cmd_PreviewStop.Visible(), press.playing);
        EXPECT_EQ(main.img_PreviewStop.Visible(), !press.playing);
    }
    EXPECT_TRUE(messages.empty());
}

struct TrackCase {
    int seconds;
    std::string lengthBox;
    long selEnd;
    bool sliderEnabled;
    long sliderMax;
};

void PrintTo(const TrackCase& c, std::ostream* out) { *out << c.seconds << " s"; }

class TakingATrack : public CdSource, public ::testing::WithParamInterface<TrackCase> {};

TEST_P(TakingATrack, OpensItsFileInTheEditorWithTheLengthRules) {
    const TrackCase& c = GetParam();
    disc.write({{true, kSecond}, {true, c.seconds * kSecond}});
    auto& main = sourceStep();
    takeTrack(main, 2);
    ASSERT_TRUE(messages.empty()) << messages.front().text;
    EXPECT_EQ(trackingSteps(), (std::vector<std::string>{"300", "301"}));
    EXPECT_EQ(g_AudioFilePath, "D:\\Track02.cda");
    EXPECT_EQ(visibleFrames(main), std::vector<int>{4});
    EXPECT_EQ(main.m_FrameNumber, 4);
    EXPECT_NE(main.MMControl1.Mode(), forms::mciModePlaying);
    EXPECT_EQ(g_SampleRate, 44100);
    EXPECT_EQ(g_ClipLengthMs, c.seconds * 1000);
    EXPECT_FALSE(g_Looping);
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), c.lengthBox);
    EXPECT_EQ(sel(main, "SelStart"), 0);
    EXPECT_EQ(sel(main, "SelEnd"), c.selEnd);
    EXPECT_EQ(g_RingtoneLength, c.selEnd);
    EXPECT_EQ(slider(main, "Enabled") != 0, c.sliderEnabled);
    EXPECT_EQ(slider(main, "Max"), c.sliderMax);
    EXPECT_TRUE(main.cmd_Prev.Visible());
    EXPECT_TRUE(editorPlaying(main));
    if (c.seconds == 40) screenshot(main, "tavimo-cd-track-editing.png");

    main.cmd_Stop_AudioEditor_Click();
    forms::drive::click(main.cmd_Prev);
    EXPECT_EQ(visibleFrames(main), std::vector<int>{3});
    EXPECT_EQ(main.m_FrameNumber, 3);
    EXPECT_FALSE(editorPlaying(main));
}

INSTANTIATE_TEST_SUITE_P(LengthRules, TakingATrack,
                         ::testing::Values(
                             // Shorter than a ringtone may be: the box shows the shortest length.
                             TrackCase{5, "7", 5 * 44100 - 2000, false, 7},
                             // Shorter than the box's 28 s: the whole track less the margin.
                             TrackCase{10, "10", 10 * 44100 - 2000, false, 10},
                             // Long enough: 28 s from the start, the slider over the rest.
                             TrackCase{40, "28", 28 * 44100, true, 120}),
                         [](const ::testing::TestParamInfo<TrackCase>& info) {
                             return std::to_string(info.param.seconds) + "Seconds";
                         });

TEST_F(CdSource, TrackTwelveHasATwoDigitFileName) {
    disc.write(std::vector<cd_images::TrackSpec>(12, {true, kSecond}));
    auto& main = sourceStep();
    takeTrack(main, 12);
    ASSERT_TRUE(messages.empty()) << messages.front().text;
    EXPECT_EQ(g_AudioFilePath, "D:\\Track12.cda");
    EXPECT_EQ(g_ClipLengthMs, 1000);
    EXPECT_EQ(main.txtbox_RingtoneLength.Text(), "7");
}

TEST_F(CdSource, ADataDiscIsRefusedOnTheSourceStep) {
    disc.write({{false, 4 * kSecond}});
    auto& main = sourceStep();
    forms::drive::click(main.pb_FromAudioCD);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"This is not a standard Audio CD*.  Please try a different one.", "Open CD Device"}}));
    EXPECT_EQ(trackingSteps(), std::vector<std::string>{"300"});
    expectSourceStep(main);
}

TEST_F(CdSource, WithoutADiscTheUserIsAskedForOne) {
    auto& main = sourceStep();
    forms::drive::click(main.cmd_FromAudioCD);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{kPutDisc, "Open CD Device"}}));
    expectSourceStep(main);

    // The disc goes in while the question is shown: the source goes on with it.
    messages.clear();
    SetMessagePresenter([this](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
        if (text == kPutDisc) disc.write({{true, 2 * kSecond}, {true, 2 * kSecond}});
    });
    forms::drive::click(main.cmd_FromAudioCD);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{kPutDisc, "Open CD Device"}}));
    EXPECT_EQ(visibleFrames(main), std::vector<int>{31});
    EXPECT_EQ(main.MMControl1.Mode(), forms::mciModePlaying);
    EXPECT_EQ(main.TrackNumber.Text(), "1");
}

// Images as ripping programs write them: the disc's one file named apart from its sheet, or a
// file per track with the pregaps between.
TEST_F(CdSource, ImagesOfEitherLayoutGiveTheirTracks) {
    auto& main = sourceStep();
    for (const auto& layout : {cd_images::Layout{"Album (disc 1).bin"}, cd_images::Layout{"Album.bin", true, kSecond}}) {
        SCOPED_TRACE(layout.filePerTrack ? "a file per track" : "one file");
        disc.write({{true, kSecond}, {true, 8 * kSecond}}, layout);
        takeTrack(main, 2);
        ASSERT_TRUE(messages.empty()) << messages.front().text;
        EXPECT_EQ(g_AudioFilePath, "D:\\Track02.cda");
        EXPECT_EQ(g_ClipLengthMs, 8000);
        EXPECT_TRUE(editorPlaying(main));
        main.cmd_Stop_AudioEditor_Click();
        forms::drive::click(main.cmd_Prev);
        expectSourceStep(main);
    }
}

// An image whose track file is gone is not an empty drive: the user is told, and stays, whether
// the image was in the drive from the start or given when a disc was asked for.
TEST_F(CdSource, AnImageThatCannotBeReadIsToldAsSuch) {
    const ShownMessage unreadable{"The disc image, or a track file it names, cannot be read.", "Send MCI"};
    auto putUnreadable = [this] {
        disc.write({{true, 2 * kSecond}}, {"Album (disc 1).bin"});
        std::filesystem::remove(disc.folder() + "/" + disc.trackFiles().at(0));
    };
    putUnreadable();
    auto& main = sourceStep();
    forms::drive::click(main.pb_FromAudioCD);
    EXPECT_EQ(messages, std::vector<ShownMessage>{unreadable});
    expectSourceStep(main);

    disc.remove();
    messages.clear();
    SetMessagePresenter([&](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
        if (text == kPutDisc) putUnreadable();
    });
    forms::drive::click(main.pb_FromAudioCD);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{kPutDisc, "Open CD Device"}, unreadable}));
    expectSourceStep(main);
}

// The device cannot be opened: its error is told and the user stays with the program.
TEST_F(CdSource, WithoutADriveTheErrorIsToldAndTheSourceStepStays) {
    unsetenv("PLATFORM_CD_IMAGE");
    if (!forms::FileSystemObject().Drives().empty()) GTEST_SKIP() << "this machine has a CD drive";
    auto& main = sourceStep();
    for (int choice = 1; choice <= 2; ++choice) {
        forms::drive::click(choice == 1 ? main.pb_FromAudioCD : main.cmd_FromAudioCD);
        EXPECT_EQ(messages, std::vector<ShownMessage>(choice, {"There is no CD drive on this computer.", "Send MCI"}));
        EXPECT_EQ(main.lb_CDRom.ListCount(), 0);
        EXPECT_EQ(FindMainWindow(), &main);
        EXPECT_TRUE(main.Loaded());
        expectSourceStep(main);
    }
}

TEST_F(CdSource, EjectAsksForADiscAndPlaysItsFirstTrack) {
    disc.write({{true, 2 * kSecond}, {true, 2 * kSecond}});
    auto& main = sourceStep();
    forms::drive::click(main.pb_FromAudioCD);
    forms::drive::click(main.cmd_PreviewNextTrack);
    bool ejecting = false;
    SetMessagePresenter([&](const std::string& text, const std::string& title) {
        messages.push_back({text, title});
        ejecting = g_CdEjecting;
        EXPECT_FALSE(main.Image20.Enabled());
    });
    forms::drive::click(main.Image20);
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{kPutDisc, "Open CD Device"}}));
    EXPECT_TRUE(ejecting);
    EXPECT_FALSE(g_CdEjecting);
    EXPECT_TRUE(main.Image20.Enabled());
    EXPECT_EQ(main.TrackNumber.Text(), "1");
    EXPECT_EQ(main.MMControl1.Track(), 1);
    EXPECT_EQ(main.MMControl1.Mode(), forms::mciModePlaying);
}

// Closing the question instead of answering it returns to the source step, where nothing plays.
TEST_F(CdSource, ClosingTheEjectQuestionReturnsToTheSourceStep) {
    disc.write({{true, 2 * kSecond}});
    auto& main = sourceStep();
    forms::drive::click(main.pb_FromAudioCD);
    SetMessagePresenter(ShowMessageWindow);
    whenModal<TestToneMsg>([](TestToneMsg& window) { forms::drive::click(window.Image1); });
    forms::drive::click(main.Image20);
    EXPECT_FALSE(g_CdEjecting);
    EXPECT_TRUE(main.Image20.Enabled());
    expectSourceStep(main);
}

}  // namespace
