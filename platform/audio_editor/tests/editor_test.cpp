#include "audio_editor/audio_editor.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

using audio_editor::Editor;
using audio_editor::EditorError;

namespace {

struct SourceCase {
    const char* name;
    // Makes the file from a WAV source; empty means the WAV itself.
    const char* command;
    int sampleRate;
    int channels;
    int64_t expectedFrames;
    int64_t tolerance;
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

class OpenFileTest : public testing::TestWithParam<SourceCase> {};

TEST_P(OpenFileTest, DecodesTheFirstAudioStreamAndReleasesTheFile) {
    const SourceCase& c = GetParam();
    fixtures::TempDir dir;
    std::string wav = dir.file("source.wav");
    fixtures::writeWav(wav, 44100, 2, 88200, fixtures::tone(44100, 440));
    std::string path = wav;
    if (*c.command) {
        path = dir.file(std::string("clip.") + c.name);
        std::string command = c.command;
        command.replace(command.find("$IN"), 3, wav);
        command.replace(command.find("$OUT"), 4, path);
        ASSERT_NO_FATAL_FAILURE(fixtures::run(command));
    }

    Editor editor;
    editor.OpenFile(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(editor.loaded());
    EXPECT_EQ(editor.waveInfo().SampleRate(), c.sampleRate);
    EXPECT_EQ(editor.clip().channels, c.channels);
    EXPECT_NEAR(editor.selection().Length(), c.expectedFrames, c.tolerance);
    int16_t peak = 0;
    for (int16_t s : editor.clip().samples) peak = std::max<int16_t>(peak, static_cast<int16_t>(std::abs(s)));
    EXPECT_GT(peak, 6000) << "the tone was decoded, not silence";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, OpenFileTest,
    testing::Values(SourceCase{"wav", "", 44100, 2, 88200, 0},
                    SourceCase{"mp3", "lame --quiet -b 128 $IN $OUT", 44100, 2, 88200, 0},
                    SourceCase{"wma", "ffmpeg -v error -y -i $IN -c:a wmav2 -b:a 64k $OUT", 44100, 2, 88200, 4096},
                    SourceCase{"avi",
                               "ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5:duration=2 -i $IN "
                               "-c:v mpeg4 -c:a pcm_s16le -ar 22050 -ac 1 -shortest $OUT",
                               22050, 1, 44100, 2205}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
    const char* name;
    std::function<void(const std::string& path)> make;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedFileTest : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedFileTest, IsAnErrorAndLeavesNothingLoaded) {
    fixtures::TempDir dir;
    std::string good = dir.file("good.wav");
    fixtures::writeWav(good, 44100, 1, 4410, fixtures::tone(44100, 440));
    std::string bad = dir.file("bad.mp3");
    GetParam().make(bad);

    Editor editor;
    editor.OpenFile(good);
    EXPECT_THROW(editor.OpenFile(bad), EditorError);
    EXPECT_FALSE(editor.loaded());
    EXPECT_EQ(editor.selection().Length(), 0);
    EXPECT_EQ(editor.waveInfo().SampleRate(), 0);
    EXPECT_THROW(editor.Play(), EditorError);
}

std::vector<uint8_t> noise(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = 12345;
    for (auto& b : bytes) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 24);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFileTest,
    testing::Values(
        RefusedCase{"Missing", [](const std::string&) {}},
        RefusedCase{"Empty", [](const std::string& p) { fixtures::writeBytes(p, {}); }},
        RefusedCase{"RandomBytes", [](const std::string& p) { fixtures::writeBytes(p, noise(20000)); }},
        RefusedCase{"WaveHeaderOnly",
                    [](const std::string& p) {
                        std::string wav = p + ".wav";
                        fixtures::writeWav(wav, 44100, 1, 0, fixtures::tone(44100, 440));
                        fixtures::writeBytes(p, fixtures::readBytes(wav));
                    }},
        RefusedCase{"VideoWithoutAudio",
                    [](const std::string& p) {
                        fixtures::run("ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=5:duration=1 "
                                      "-c:v mpeg4 -f avi " + p);
                    }}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

class LoadedEditorTest : public testing::Test {
protected:
    void load(int sampleRate, int64_t frames, int channels = 1) {
        std::string wav = dir_.file("clip.wav");
        fixtures::writeWav(wav, sampleRate, channels, frames, fixtures::tone(sampleRate, 440));
        editor_.OpenFile(wav);
    }
    fixtures::TempDir dir_;
    Editor editor_;
};

TEST_F(LoadedEditorTest, ConvertsBetweenMillisecondsAndPositionsRoundingToNearest) {
    load(44100, 44100);
    auto& s = editor_.selection();
    EXPECT_EQ(s.MsToPosition(1100), 48510);
    EXPECT_EQ(s.MsToPosition(2000), 88200);
    EXPECT_EQ(s.MsToPosition(1), 44);
    EXPECT_EQ(s.PositionToMs(48510), 1100);
    EXPECT_EQ(s.PositionToMs(22), 0);
    EXPECT_EQ(s.PositionToMs(23), 1);
    EXPECT_EQ(s.PositionToMs(44100), 1000);
    EXPECT_EQ(s.Length(), 44100);
    EXPECT_EQ(editor_.waveInfo().SampleRate(), 44100);

    load(8000, 800);
    // 4 and 12 positions are exactly 0.5 and 1.5 ms: halves go to the even neighbour.
    EXPECT_EQ(s.PositionToMs(4), 0);
    EXPECT_EQ(s.PositionToMs(12), 2);
    EXPECT_EQ(s.PositionToMs(-12), -2);
}

TEST_F(LoadedEditorTest, KeepsTheSelectionAndPositionsAsSet) {
    load(44100, 44100);
    auto& s = editor_.selection();
    EXPECT_EQ(s.SelStart(), 0);
    EXPECT_EQ(s.SelEnd(), 0);
    s.SetSelectionActive(true);
    s.SetSelStart(1000);
    s.SetSelEnd(90000);
    s.SetCurrentPosition(1000);
    EXPECT_TRUE(s.SelectionActive());
    EXPECT_EQ(s.SelStart(), 1000);
    EXPECT_EQ(s.SelEnd(), 90000) << "a selection may reach past the end";
    EXPECT_EQ(s.CurrentPosition(), 1000);
    // Winding back past the start passes negative positions.
    s.SetCurrentPosition(-88200);
    s.SetSelStart(-88200);
    EXPECT_EQ(s.CurrentPosition(), 0);
    EXPECT_EQ(s.SelStart(), 0);

    editor_.CloseFile();
    EXPECT_EQ(s.Length(), 0);
    EXPECT_EQ(s.SelEnd(), 0);
    EXPECT_EQ(s.CurrentPosition(), 0);
}

TEST(EditorWithoutClip, StopCloseAndPositionDoNothing) {
    Editor editor;
    editor.Stop();
    editor.CloseFile();
    editor.selection().SetCurrentPosition(500);
    EXPECT_EQ(editor.selection().CurrentPosition(), 0);
    EXPECT_EQ(editor.selection().Length(), 0);
    EXPECT_EQ(editor.selection().MsToPosition(1100), 0);
    EXPECT_EQ(editor.PlayState(), 0);
    EXPECT_THROW(editor.Play(), EditorError);
    EXPECT_THROW(editor.CopySelection(), EditorError);
    EXPECT_THROW(editor.PasteAtPosition(), EditorError);
    EXPECT_THROW(editor.SaveFile("/tmp/never.mp3", true), EditorError);
}

TEST_F(LoadedEditorTest, LoopOfAFiveSecondClipHasFourBlocksWithTheirGaps) {
    load(44100, 5 * 44100);
    std::vector<int16_t> original = editor_.clip().samples;
    auto& s = editor_.selection();
    int64_t clipLength = s.Length();
    int64_t clipMs = s.PositionToMs(clipLength);
    int64_t n = 28000 / (clipMs + 1100);
    ASSERT_EQ(n, 4);

    s.SetSelectionActive(true);
    s.SetSelStart(0);
    s.SetSelEnd(s.Length());
    s.SetCurrentPosition(clipLength);
    editor_.SetLoopGap(1100);
    s.SetSelectionActive(true);
    s.SetSelStart(0);
    s.SetSelEnd(s.Length() + s.MsToPosition(1100));
    int64_t block = s.SelEnd();
    editor_.CopySelection();
    s.SetSelectionActive(false);
    for (int64_t k = 1; k <= n - 1; ++k) {
        s.SetCurrentPosition(k * block);
        editor_.PasteAtPosition();
    }

    ASSERT_EQ(s.Length(), n * block);
    const auto& looped = editor_.clip().samples;
    for (int64_t k = 0; k < n; ++k) {
        EXPECT_TRUE(std::equal(original.begin(), original.end(), looped.begin() + k * block)) << "block " << k;
        bool gapSilent = std::all_of(looped.begin() + k * block + clipLength, looped.begin() + (k + 1) * block,
                                     [](int16_t v) { return v == 0; });
        EXPECT_TRUE(gapSilent) << "gap after block " << k;
    }
    EXPECT_EQ(editor_.LoopGap(), 1100);
}

TEST_F(LoadedEditorTest, PasteWithAnActiveSelectionReplacesIt) {
    load(8000, 800);
    auto& s = editor_.selection();
    s.SetSelStart(0);
    s.SetSelEnd(100);
    editor_.CopySelection();
    std::vector<int16_t> head(editor_.clip().samples.begin(), editor_.clip().samples.begin() + 100);
    s.SetSelectionActive(true);
    s.SetSelStart(500);
    s.SetSelEnd(800);
    editor_.PasteAtPosition();
    ASSERT_EQ(s.Length(), 600);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), editor_.clip().samples.begin() + 500));

    editor_.CloseFile();
    load(8000, 800);
    EXPECT_THROW(editor_.PasteAtPosition(), EditorError) << "the copy belongs to the clip it came from";
}

}  // namespace
