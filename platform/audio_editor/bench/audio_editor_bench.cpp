#include "audio_editor/audio_editor.h"
#include "audio_editor/waveform_view.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/resource.h>

namespace {

template <typename F>
double bestOf(int repeats, F step) {
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        auto start = std::chrono::steady_clock::now();
        step();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Takes INPUT from opening to ready as the program does: opened, its waveform drawn at the
// control's size and its first 28 seconds selected and playing. Prints the seconds that took and
// the process's peak resident size in KiB.
int ready(const std::string& input) {
    audio_editor::Editor editor;
    auto start = std::chrono::steady_clock::now();
    editor.OpenFile(input);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 320, 120);
    HGDIOBJ old = SelectObject(dc, bitmap);
    audio_editor::WaveformView view;
    RECT bounds{0, 0, 320, 120};
    view.draw(dc, bounds, editor);
    auto& s = editor.selection();
    s.SetSelectionActive(true);
    s.SetSelStart(0);
    s.SetSelEnd(s.MsToPosition(28000));
    editor.Play();
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    editor.Stop();
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("ready %.4f\npeak %ld\n", took.count(), usage.ru_maxrss);
    return 0;
}

}  // namespace

// Times opening INPUT and saving a 28-second selection of it as the program saves ringtones
// (44.1 kHz, 32 kbit/s, mono), printing the best time of each step in seconds. With --ready,
// takes INPUT from opening to ready once instead.
int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--ready") == 0) {
        try {
            return ready(argv[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT.mp3 [REPEATS]\n       %s --ready INPUT\n", argv[0], argv[0]);
        return 2;
    }
    std::string input = argv[1];
    std::string output = argv[2];
    int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    try {
        audio_editor::Editor editor;
        double open = bestOf(repeats, [&] { editor.OpenFile(input); });
        auto& s = editor.selection();
        s.SetSelectionActive(true);
        s.SetSelStart(s.MsToPosition(60000));
        s.SetSelEnd(s.SelStart() + s.MsToPosition(28000));
        editor.saveFormat().SetFormat(44100, 32, 1);
        double save = bestOf(repeats, [&] { editor.SaveFile(output, true); });
        std::printf("open %.4f\nsave %.4f\n", open, save);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
