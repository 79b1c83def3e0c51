#include "fixture.h"

#include "mci/mci.h"
#include "win32/testing/cd_images.h"

#include <glib.h>

using namespace forms;
using formstest::FormsTest;

namespace {

class frm_CdSource : public Form {
public:
    frm_CdSource() : Form("frm_CdSource"), MMControl1(*this, "MMControl1") {}
    MMControl MMControl1;
};

long errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.Number();
    }
    return 0;
}

// Opening as the program does before the first track plays.
void openForPreview(MMControl& mm) {
    mm.UpdateInterval(0);
    mm.DeviceType("CDAudio");
    mm.Command("Open");
    mm.Notify(false);
    mm.Shareable(false);
}

class MciControlTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    cd_images::DiscFolder disc;
};

TEST_F(MciControlTest, DriveListAndTrackFilesFollowTheDisc) {
    FileSystemObject fso;
    auto drives = fso.Drives();
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].DriveType, CDRom);
    EXPECT_EQ(drives[0].RootPath, "D:\\");
    EXPECT_EQ(drives[0].DriveLetter, "D");
    EXPECT_FALSE(drives[0].IsReady);
    EXPECT_FALSE(fso.FileExists("D:\\Track01.cda"));

    disc.write({{false, 300}});
    EXPECT_TRUE(fso.Drives()[0].IsReady);
    EXPECT_FALSE(fso.FileExists("D:\\Track01.cda")) << "a data disc has no track files";

    disc.write({{true, 150}, {true, 150}});
    EXPECT_TRUE(fso.FileExists("D:\\Track02.cda"));
    EXPECT_TRUE(fso.FileExists("d:\\track01.cda"));
    EXPECT_FALSE(fso.FileExists("D:\\Track03.cda"));
    EXPECT_FALSE(fso.FileExists("D:\\"));
}

TEST_F(MciControlTest, PreviewsTracksAsTheButtonsDo) {
    disc.write({{true, 225}, {true, 150}, {true, 300}});
    frm_CdSource form;
    form.Load();
    auto& mm = form.MMControl1;
    EXPECT_EQ(mm.Mode(), mciModeNotReady);
    EXPECT_EQ(mm.Track(), 0);

    openForPreview(mm);
    mm.Command("Play");
    EXPECT_EQ(mm.Mode(), mciModePlaying);
    EXPECT_EQ(mm.Track(), 1);

    struct Step {
        const char* command;
        long track;
    } steps[] = {{"Prev", 1}, {"Next", 2}, {"Next", 3}, {"Next", 3}, {"Prev", 2}};
    for (auto& s : steps) {
        mm.Command("Stop");
        EXPECT_EQ(mm.Mode(), mciModeStopped);
        mm.Command(s.command);
        EXPECT_EQ(mm.Track(), s.track) << s.command;
        mm.Command("Play");
        EXPECT_EQ(mm.Mode(), mciModePlaying) << s.command;
    }

    for (const char* command : {"Stop", "Eject", "Close"}) {
        mm.Wait(true);
        mm.Command(command);
        EXPECT_FALSE(mm.Wait()) << "Wait holds for one command";
    }
    EXPECT_EQ(mm.Mode(), mciModeNotReady);
    EXPECT_EQ(mm.Error(), 0);

    // The eject handler opens again and plays.
    openForPreview(mm);
    mm.Command("play");
    EXPECT_EQ(mm.Track(), 1);
    EXPECT_EQ(mm.Mode(), mciModePlaying);
}

TEST_F(MciControlTest, RefusedCommandsRaiseTheDevicesError) {
    frm_CdSource form;
    form.Load();
    auto& mm = form.MMControl1;
    EXPECT_EQ(errorOf([&] { mm.Command("Play"); }), long(MCI_ERROR_NOT_OPEN));
    EXPECT_EQ(errorOf([&] { mm.Command("Rewind"); }), errInvalidPropertyValue);
    mm.DeviceType("WaveAudio");
    EXPECT_EQ(errorOf([&] { mm.Command("Open"); }), long(MCI_ERROR_UNKNOWN_DEVICE_TYPE));

    openForPreview(mm);
    EXPECT_EQ(errorOf([&] { mm.Command("Play"); }), long(MCI_ERROR_NO_DISC));
    EXPECT_EQ(mm.Error(), long(MCI_ERROR_NO_DISC));
    EXPECT_FALSE(mm.ErrorMessage().empty());
    disc.write({{false, 300}, {true, 150}});
    EXPECT_EQ(errorOf([&] { mm.Command("Play"); }), long(MCI_ERROR_NOT_AUDIO));
    mm.Command("Next");
    mm.Command("Play");
    EXPECT_EQ(mm.Error(), 0);

    // A device the program holds without sharing keeps the control out, and the other way round.
    mm.Command("Close");
    ASSERT_EQ(mciSendStringA("open cdaudio alias cd1 wait", nullptr, 0, nullptr), MCI_OK);
    EXPECT_EQ(errorOf([&] { mm.Command("Open"); }), long(MCI_ERROR_DEVICE_IN_USE));
    mciSendStringA("close all", nullptr, 0, nullptr);
    mm.Command("Open");
    EXPECT_EQ(mciSendStringA("open cdaudio alias cd1 wait shareable", nullptr, 0, nullptr), MCI_ERROR_DEVICE_IN_USE);
}

TEST_F(MciControlTest, StatusUpdatesComeWhileOpenUnlessTheIntervalIsZero) {
    disc.write({{true, 150}});
    frm_CdSource form;
    form.Load();
    auto& mm = form.MMControl1;
    int updates = 0;
    mm.StatusUpdate = [&] { ++updates; };
    mm.UpdateInterval(10);
    mm.DeviceType("CDAudio");
    mm.Command("Open");
    while (updates < 2) g_main_context_iteration(nullptr, TRUE);
    mm.UpdateInterval(0);
    const int seen = updates;
    // Five intervals' worth of the loop: with the interval at 0 no update may come.
    bool barrier = false;
    g_timeout_add(50, [](gpointer done) { *static_cast<bool*>(done) = true; return G_SOURCE_REMOVE; }, &barrier);
    while (!barrier) g_main_context_iteration(nullptr, TRUE);
    EXPECT_EQ(updates, seen);
}

}  // namespace
