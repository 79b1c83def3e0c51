#include "audio_editor/audio_editor.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using audio_editor::Editor;
using audio_editor::EditorError;

namespace {

struct FrameHeader {
    bool mpeg1;
    int kbps;
    int sampleRate;
    bool mono;
    size_t size;
};

// Reads a Layer III frame header from its four bytes.
bool parseHeader(const std::vector<uint8_t>& file, size_t at, FrameHeader& h) {
    if (at + 4 > file.size() || file[at] != 0xFF || (file[at + 1] & 0xE0) != 0xE0) return false;
    int version = (file[at + 1] >> 3) & 3;
    if (((file[at + 1] >> 1) & 3) != 1 || version == 1) return false;
    static const int kMpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kMpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int kRates[4][3] = {{11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    int rateIndex = (file[at + 2] >> 2) & 3;
    if (rateIndex == 3) return false;
    h.mpeg1 = version == 3;
    const int* kbps = h.mpeg1 ? kMpeg1 : kMpeg2;
    h.kbps = kbps[file[at + 2] >> 4];
    h.sampleRate = kRates[version][rateIndex];
    h.mono = ((file[at + 3] >> 6) & 3) == 3;
    h.size = static_cast<size_t>((h.mpeg1 ? 144000 : 72000) * h.kbps / h.sampleRate + ((file[at + 2] >> 1) & 1));
    return h.kbps > 0;
}

class SaveTest : public testing::Test {
protected:
    void load(int channels, int64_t frames, const fixtures::Signal& signal) {
        std::string wav = dir_.file("clip.wav");
        fixtures::writeWav(wav, 44100, channels, frames, signal);
        editor_.OpenFile(wav);
    }
    fixtures::TempDir dir_;
    Editor editor_;
};

struct FormatCase {
    int sourceChannels;
    int sampleRate;
    int kbps;
    int channels;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.sourceChannels << " channels to " << c.sampleRate << " Hz, " << c.kbps << " kbit/s, " << c.channels
        << " channels";
}

class SaveFormatTest : public testing::TestWithParam<FormatCase> {};

TEST_P(SaveFormatTest, SavedClipReopensWithTheSameLength) {
    const FormatCase& c = GetParam();
    fixtures::TempDir dir;
    std::string wav = dir.file("clip.wav");
    constexpr int64_t kFrames = 5 * 44100 + 123;
    fixtures::writeWav(wav, 44100, c.sourceChannels, kFrames, fixtures::tone(44100, 440));
    Editor editor;
    editor.OpenFile(wav);
    editor.saveFormat().SetFormat(c.sampleRate, c.kbps, c.channels);
    std::string mp3 = dir.file("clip.mp3");
    editor.SaveFile(mp3, false);

    std::vector<uint8_t> file = fixtures::readBytes(mp3);
    FrameHeader tag{};
    ASSERT_TRUE(parseHeader(file, 0, tag));
    size_t xing = 4 + (tag.mpeg1 ? (tag.mono ? 17 : 32) : (tag.mono ? 9 : 17));
    ASSERT_GE(file.size(), xing + 4);
    EXPECT_EQ(std::string(file.begin() + xing, file.begin() + xing + 4), "Info");
    FrameHeader audio{};
    ASSERT_TRUE(parseHeader(file, tag.size, audio)) << "an audio frame follows the tag frame";
    EXPECT_EQ(audio.kbps, c.kbps);
    EXPECT_EQ(audio.sampleRate, c.sampleRate);
    EXPECT_EQ(audio.mono, c.channels == 1);
    EXPECT_EQ(audio.mpeg1, c.sampleRate >= 32000);

    editor.CloseFile();
    editor.OpenFile(mp3);
    EXPECT_EQ(editor.selection().Length(), (kFrames * c.sampleRate + 22050) / 44100);
    EXPECT_EQ(editor.clip().channels, c.channels);
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveFormatTest,
                         testing::Values(FormatCase{1, 44100, 32, 1},    // the program's ringtone format
                                         FormatCase{2, 44100, 32, 1},    // mixed down
                                         FormatCase{1, 44100, 128, 2},   // the encoder writes its own tag
                                         FormatCase{2, 22050, 32, 1}));  // resampled

TEST_F(SaveTest, FirstAudioFrameSaysThirtyTwoKilobitsFortyFourKilohertzMono) {
    load(2, 3 * 44100, fixtures::tone(44100, 440));
    editor_.saveFormat().SetFormat(44100, 32, 1);
    std::string mp3 = dir_.file("ringtone.mp3");
    editor_.SaveFile(mp3, false);
    std::vector<uint8_t> file = fixtures::readBytes(mp3);
    FrameHeader tag{};
    ASSERT_TRUE(parseHeader(file, 0, tag));
    ASSERT_EQ(std::string(file.begin() + 21, file.begin() + 25), "Info");
    size_t at = tag.size;
    ASSERT_GE(file.size(), at + 4);
    // MPEG-1 Layer III without CRC; bit rate index 1 (32 kbit/s), rate index 0 (44100 Hz);
    // channel mode 3 (single channel).
    EXPECT_EQ(file[at], 0xFF);
    EXPECT_EQ(file[at + 1], 0xFB);
    EXPECT_EQ(file[at + 2] >> 4, 1);
    EXPECT_EQ((file[at + 2] >> 2) & 3, 0);
    EXPECT_EQ(file[at + 3] >> 6, 3);
    // The tag's encoder extension carries the delay and padding that make the length exact.
    EXPECT_EQ(std::string(file.begin() + 21 + 120, file.begin() + 21 + 124), "LAME");
    // Every frame after the tag is a 32 kbit/s frame, up to the end of the file.
    size_t frames = 0;
    FrameHeader h{};
    while (at < file.size() && parseHeader(file, at, h) && h.kbps == 32) {
        at += h.size;
        ++frames;
    }
    EXPECT_EQ(at, file.size());
    EXPECT_GT(frames, 100u);
}

double rms(const std::vector<int16_t>& samples, int64_t first, int64_t last) {
    double sum = 0;
    for (int64_t i = first; i < last; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(last - first));
}

struct SelectionCase {
    int64_t selStart;
    int64_t selEnd;
    int64_t expectedFrames;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.selStart << ".." << c.selEnd; }

class SaveSelectionTest : public SaveTest, public testing::WithParamInterface<SelectionCase> {};

TEST_P(SaveSelectionTest, HoldsExactlyTheSelection) {
    // One second of silence, then the tone: the edge shows where the saved audio starts.
    constexpr int64_t kEdge = 44100;
    load(1, 4 * 44100, fixtures::toneFrom(kEdge, 44100, 1000));
    const SelectionCase& c = GetParam();
    editor_.selection().SetSelectionActive(true);
    editor_.selection().SetSelStart(c.selStart);
    editor_.selection().SetSelEnd(c.selEnd);
    editor_.saveFormat().SetFormat(44100, 32, 1);
    std::string mp3 = dir_.file("ringtone.mp3");
    editor_.SaveFile(mp3, true);

    editor_.CloseFile();
    editor_.OpenFile(mp3);
    ASSERT_EQ(editor_.selection().Length(), c.expectedFrames);
    const auto& saved = editor_.clip().samples;
    int64_t edge = kEdge - c.selStart;
    double quiet = rms(saved, 0, edge - 1000);
    double loud = rms(saved, edge + 250, edge + 700);
    EXPECT_LT(quiet, 300) << "nothing from before the selection start";
    EXPECT_GT(loud, 3000) << "the tone begins where it began in the clip";
}

INSTANTIATE_TEST_SUITE_P(Ranges, SaveSelectionTest,
                         testing::Values(SelectionCase{22050, 22050 + 2 * 44100, 2 * 44100},
                                         // A selection reaching past the end is clamped to the clip.
                                         SelectionCase{33075, 10 * 44100, 4 * 44100 - 33075}));

TEST_F(SaveTest, FailedSaveLeavesNoFileBehind) {
    load(1, 44100, fixtures::tone(44100, 440));
    std::string occupied = dir_.file("taken");
    std::filesystem::create_directory(occupied);
    std::filesystem::create_directory(occupied + "/inside");
    EXPECT_THROW(editor_.SaveFile(occupied, false), EditorError);
    EXPECT_THROW(editor_.SaveFile(dir_.file("missing/ringtone.mp3"), false), EditorError);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"clip.wav", "taken"}));
}

// A save killed before its rename leaves its partial file, named after its process. The next
// save of that target removes those of processes that are gone, and no other file: not one a
// live process holds locked whose number its name does not give (a writer in another PID
// namespace, or one named by an ended process whose number was taken again).
TEST_F(SaveTest, ASaveRemovesPartialFilesOfItsTargetLeftByEndedProcesses) {
    load(1, 44100, fixtures::tone(44100, 440));
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const pid_t running = fork();
    if (running == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(running, 0);
    auto part = [](const std::string& target, pid_t pid, int n) {
        return target + ".part-" + std::to_string(pid) + "-" + std::to_string(n);
    };
    const std::string held = part("ring.mp3", ended, 3);
    const std::vector<std::string> left = {part("ring.mp3", ended, 0), part("ring.mp3", ended, 7)};
    const std::vector<std::string> kept = {part("ring.mp3", running, 0), part("other.mp3", ended, 0),
                                           "ring.mp3.part-x-1", "ring.mp3.part-" + std::to_string(ended),
                                           "ring.mp3.partial", held};
    for (const auto& name : left) std::ofstream(dir_.file(name)) << "partial";
    for (const auto& name : kept) std::ofstream(dir_.file(name)) << "partial";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        const int fd = open(dir_.file(held).c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || flock(fd, LOCK_EX) != 0) _exit(1);
        (void)!write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    ASSERT_GT(holder, 0);
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    editor_.SaveFile(dir_.file("ring.mp3"), false);
    for (const pid_t child : {running, holder}) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }

    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        names.push_back(entry.path().filename().string());
    std::vector<std::string> expected = kept;
    expected.insert(expected.end(), {"clip.wav", "ring.mp3"});
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

TEST_F(SaveTest, RefusesAnEmptySelectionAndFormatsThatAreNotLayerThree) {
    load(1, 44100, fixtures::tone(44100, 440));
    editor_.selection().SetSelStart(50000);
    editor_.selection().SetSelEnd(60000);
    EXPECT_THROW(editor_.SaveFile(dir_.file("empty.mp3"), true), EditorError);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("empty.mp3")));

    auto& format = editor_.saveFormat();
    EXPECT_THROW(format.SetFormat(44100, 33, 1), EditorError);
    EXPECT_THROW(format.SetFormat(44100, 32, 3), EditorError);
    EXPECT_THROW(format.SetFormat(12345, 32, 1), EditorError);
    EXPECT_THROW(format.SetFormat(22050, 320, 1), EditorError);
    EXPECT_NO_THROW(format.SetFormat(44100, 32, 1));
}

}  // namespace
