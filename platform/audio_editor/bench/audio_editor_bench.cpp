#include "audio_editor/audio_editor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace

// Times opening INPUT and saving a 28-second selection of it as the program saves ringtones
// (44.1 kHz, 32 kbit/s, mono), printing the best time of each step in seconds.
int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT.mp3 [REPEATS]\n", argv[0]);
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
