#include "mci/mci.h"
#include "win32/testing/cd_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

using cd_images::DiscFolder;
using cd_images::TrackSpec;

// Sends a command and returns its answer, failing the test on an error.
std::string send(const std::string& command) {
    char answer[64];
    MCIERROR e = mciSendStringA(command.c_str(), answer, sizeof answer, nullptr);
    EXPECT_EQ(e, MCI_OK) << command;
    return answer;
}

MCIERROR error(const std::string& command) { return mciSendStringA(command.c_str(), nullptr, 0, nullptr); }

class Mci : public ::testing::Test {
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { error("close all"); }
    DiscFolder disc;
};

// Three audio tracks of 3, 2 and 4 seconds around a data track.
const std::vector<TrackSpec> kMixedDisc = {{true, 225}, {true, 150}, {false, 300}, {true, 300}};

TEST_F(Mci, MediaPresentFollowsTheDiscAndTheDoor) {
    send("open cdaudio alias cd1 wait shareable");
    send("set cd1 time format tmsf wait");
    EXPECT_EQ(send("status cd1 media present"), "false");
    EXPECT_EQ(send("status cd1 mode"), "not ready");
    EXPECT_EQ(error("status cd1 current track"), MCI_ERROR_NO_DISC);
    send("set cd1 door open");
    EXPECT_EQ(send("status cd1 mode"), "open");

    disc.write(kMixedDisc);
    EXPECT_EQ(send("status cd1 media present"), "true");
    EXPECT_EQ(send("status cd1 number of tracks"), "4");
    EXPECT_EQ(send("status cd1 mode"), "stopped");
    send("close all");
    EXPECT_EQ(error("status cd1 mode"), MCI_ERROR_NOT_OPEN);
}

TEST_F(Mci, PlaysAndMovesBetweenTracks) {
    disc.write(kMixedDisc);
    send("open cdaudio alias cd1 shareable");
    send("set cd1 time format tmsf");
    EXPECT_EQ(send("status cd1 current track"), "1");
    send("play cd1");
    EXPECT_EQ(send("status cd1 mode"), "playing");
    EXPECT_EQ(send("status cd1 current track"), "1");
    send("stop cd1");
    EXPECT_EQ(send("status cd1 mode"), "stopped");

    send("seek cd1 to 2");
    EXPECT_EQ(send("status cd1 position"), "02:00:00:00");
    send("play cd1 from 4:00:01:10");
    EXPECT_EQ(send("status cd1 current track"), "4");
    EXPECT_EQ(error("play cd1 from 3"), MCI_ERROR_NOT_AUDIO);
    EXPECT_EQ(send("status cd1 mode"), "playing") << "a refused play leaves the one before";
    EXPECT_EQ(error("play cd1 from 5"), MCI_ERROR_OUT_OF_RANGE);

    // A play that waits returns stopped at its end, in the track it played.
    send("play cd1 from 2:00:01:60 to 2:00:01:70 wait");
    EXPECT_EQ(send("status cd1 mode"), "stopped");
    EXPECT_EQ(send("status cd1 position"), "02:00:01:70");

    send("set cd1 time format milliseconds");
    send("seek cd1 to 3000");
    EXPECT_EQ(send("status cd1 position"), "3000");
    EXPECT_EQ(send("status cd1 current track"), "2");
    EXPECT_EQ(error("seek cd1 to 13000"), MCI_ERROR_OUT_OF_RANGE) << "the disc holds 13 s";
    EXPECT_EQ(error("seek cd1 to 3s"), MCI_ERROR_BAD_ARGUMENT);
    send("seek cd1 to end");
    EXPECT_EQ(send("status cd1 current track"), "4");
}

TEST_F(Mci, ErrorsHaveCodesAndTexts) {
    struct Case {
        const char* command;
        MCIERROR code;
    } cases[] = {
        {"", MCI_ERROR_UNKNOWN_COMMAND},
        {"rewind cd1", MCI_ERROR_UNKNOWN_COMMAND},
        {"open waveaudio alias w", MCI_ERROR_UNKNOWN_DEVICE_TYPE},
        {"open cdaudio alias", MCI_ERROR_BAD_ARGUMENT},
        {"open cdaudio alias cd2 shareable", MCI_ERROR_ALIAS_IN_USE},
        {"open cdaudio alias cd3", MCI_ERROR_DEVICE_IN_USE},
        {"play nothing", MCI_ERROR_NOT_OPEN},
        {"play cd2", MCI_ERROR_NO_DISC},
        {"set cd2 door ajar", MCI_ERROR_BAD_ARGUMENT},
        {"set cd2 time format tmsf notify", MCI_ERROR_NO_NOTIFY},
        {"status cd2 volume", MCI_ERROR_BAD_ARGUMENT},
    };
    send("open cdaudio alias cd2 shareable");
    char text[128];
    for (auto& c : cases) {
        EXPECT_EQ(error(c.command), c.code) << c.command;
        EXPECT_TRUE(mciGetErrorStringA(c.code, text, sizeof text));
        EXPECT_GT(std::string(text).size(), 10u) << c.code;
    }
    std::set<std::string> texts;
    for (MCIERROR code = MCI_ERROR_NO_DEVICE; code <= MCI_ERROR_BAD_IMAGE; ++code) {
        ASSERT_TRUE(mciGetErrorStringA(code, text, sizeof text)) << code;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), MCI_ERROR_BAD_IMAGE - MCI_ERROR_NO_DEVICE + 1) << "each error has a text of its own";
    EXPECT_FALSE(mciGetErrorStringA(MCI_ERROR_BAD_IMAGE + 1, text, sizeof text));
    EXPECT_FALSE(mciGetErrorStringA(MCI_OK, text, sizeof text));
    EXPECT_EQ(std::string(text), "");

    // Texts are cut to the buffer; answers that do not fit are refused whole.
    char small[5];
    EXPECT_TRUE(mciGetErrorStringA(MCI_ERROR_NO_DISC, small, sizeof small));
    EXPECT_EQ(std::string(small), "Ther");
    EXPECT_EQ(mciSendStringA("status cd2 media present", small, 5, nullptr), MCI_ERROR_ANSWER_TOO_LONG);
    EXPECT_EQ(std::string(small), "");
}

// A disc image whose track file is gone is neither an empty drive nor a disc.
TEST_F(Mci, AnImageThatCannotBeReadIsAnError) {
    disc.write({{true, 150}}, {"Album (disc 1).bin"});
    const std::string bin = disc.folder() + "/" + disc.trackFiles().at(0);
    const std::string aside = bin + ".aside";
    std::rename(bin.c_str(), aside.c_str());
    EXPECT_EQ(error("open cdaudio alias cd1 wait shareable"), MCI_ERROR_BAD_IMAGE);

    std::rename(aside.c_str(), bin.c_str());
    send("open cdaudio alias cd1 wait shareable");
    EXPECT_EQ(send("status cd1 media present"), "true");
    std::rename(bin.c_str(), aside.c_str());
    for (const char* command : {"status cd1 media present", "status cd1 mode", "play cd1"})
        EXPECT_EQ(error(command), MCI_ERROR_BAD_IMAGE) << command;
    disc.remove();
    EXPECT_EQ(send("status cd1 media present"), "false");
}

TEST(MciNoDrive, OpenFailsWithNoDevice) {
    unsetenv("PLATFORM_CD_IMAGE");
    if (mciSendStringA("open cdaudio alias cd1", nullptr, 0, nullptr) == MCI_OK) {
        mciSendStringA("close all", nullptr, 0, nullptr);
        GTEST_SKIP() << "this machine has a CD drive";
    }
    EXPECT_EQ(mciSendStringA("open cdaudio alias cd1", nullptr, 0, nullptr), MCI_ERROR_NO_DEVICE);
}

}  // namespace
