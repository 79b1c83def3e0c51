#include "audio_editor/audio_editor.h"
#include "audio_editor/sample_store.h"
#include "audio_editor/waveform_view.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include <malloc.h>

using audio_editor::Editor;

namespace {

// The sanitizer's shadow memory and quarantine make resident sizes say little about the code.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

constexpr int kSeconds = 180;

// A field of /proc/self/status in bytes; -1 when missing.
int64_t statusBytes(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, std::strlen(field), field) == 0) return std::stoll(line.substr(std::strlen(field))) * 1024;
    }
    return -1;
}

// Restarts the peak resident size from the present one, after handing back the heap's free
// memory, which the next allocations would otherwise reuse unseen.
bool resetPeak() {
    malloc_trim(0);
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return out.good();
}

void drawView(const Editor& editor) {
    fixtures::MemoryDc canvas(320, 120);
    audio_editor::WaveformView().draw(canvas.dc(), RECT{0, 0, 320, 120}, editor);
}

std::vector<int16_t> readSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<int16_t> samples(static_cast<size_t>(in.tellg()) / sizeof(int16_t));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(int16_t)));
    return samples;
}

// The file's own duration, which the decoder takes as its estimate of the clip's length.
double statedSeconds(const fixtures::TempDir& dir, const std::string& path) {
    const std::string out = dir.file("duration.txt");
    fixtures::run("ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 " + path + " > " +
                  out);
    std::ifstream in(out);
    double seconds = 0;
    in >> seconds;
    return seconds;
}

struct EstimateCase {
    const char* name;
    // Silences part of the music; a variable bit rate stream without its tag then states a
    // duration from its first frame's rate, far off when the rest is louder or quieter.
    const char* filter;
    const char* lameOptions;
    double statedMin;
    double statedMax;
};

void PrintTo(const EstimateCase& c, std::ostream* os) { *os << c.name; }

class OpenMemoryTest : public testing::TestWithParam<EstimateCase> {};

// The clip is the largest thing the process holds; from opening a file to being ready to play it,
// the editor holds one copy of its samples, however far off the duration the file states.
TEST_P(OpenMemoryTest, HoldsOneCopyOfTheSamplesFromOpeningToReady) {
    const EstimateCase& c = GetParam();
    fixtures::TempDir dir;
    const std::string wav = dir.file("music.wav");
    const std::string mp3 = dir.file("music.mp3");
    const std::string reference = dir.file("reference.raw");
    const std::string seconds = std::to_string(kSeconds);
    ASSERT_NO_FATAL_FAILURE(fixtures::run(
        "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + seconds +
        " -f lavfi -i anoisesrc=color=pink:sample_rate=44100:amplitude=0.3:duration=" + seconds +
        " -filter_complex \"[0][1]amerge=inputs=2" + (*c.filter ? std::string(",") + c.filter : "") + "\" " + wav));
    ASSERT_NO_FATAL_FAILURE(fixtures::run(std::string("lame --quiet -q 9 ") + c.lameOptions + " " + wav + " " + mp3));
    ASSERT_NO_FATAL_FAILURE(fixtures::run("ffmpeg -v error -y -i " + mp3 + " -f s16le " + reference));
    const double stated = statedSeconds(dir, mp3);
    ASSERT_GE(stated, c.statedMin);
    ASSERT_LE(stated, c.statedMax);

    Editor editor;
    // What the first use of playback and drawing loads stays for the process's life.
    const std::string warmUp = dir.file("warm-up.wav");
    fixtures::writeWav(warmUp, 44100, 2, 4410, fixtures::tone(44100, 440));
    editor.OpenFile(warmUp);
    drawView(editor);
    editor.Play();
    editor.Stop();
    editor.CloseFile();

    ASSERT_TRUE(resetPeak() || !kResidentSizeMeaningful) << "the peak resident size cannot be restarted";
    const int64_t before = statusBytes("VmRSS:");
    editor.OpenFile(mp3);
    drawView(editor);
    editor.selection().SetSelEnd(editor.selection().MsToPosition(1000));
    editor.Play();
    editor.Stop();
    const int64_t growth = statusBytes("VmHWM:") - before;

    const std::vector<int16_t>& samples = editor.clip().samples;
    EXPECT_TRUE(samples == readSamples(reference)) << "the samples are those of a reference decoder";
    EXPECT_LE(samples.capacity() - samples.size(), audio_editor::SampleStore::spareAllowed(samples.size()));
    const int64_t clipBytes = static_cast<int64_t>(samples.size() * sizeof(int16_t));
    if (kResidentSizeMeaningful) {
        EXPECT_LE(growth, clipBytes + clipBytes / 8 + (8 << 20))
            << "the clip's samples are " << (clipBytes >> 20) << " MiB";
    }
}

INSTANTIATE_TEST_SUITE_P(
    StatedDurations, OpenMemoryTest,
    testing::Values(EstimateCase{"Right", "", "-b 128", kSeconds - 1, kSeconds + 1},
                    EstimateCase{"Short", "volume=enable='gte(t,20)':volume=0", "-V 2 -t", 0, kSeconds / 2},
                    EstimateCase{"Long", "volume=enable='lt(t,20)':volume=0", "-V 2 -t", kSeconds * 2, 1e9}),
    [](const testing::TestParamInfo<EstimateCase>& info) { return std::string(info.param.name); });

}  // namespace
