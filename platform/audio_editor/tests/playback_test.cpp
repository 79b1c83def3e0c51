#include "audio_editor/audio_editor.h"

#include "fixtures.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <thread>

using audio_editor::Editor;

namespace {

constexpr guint kGiveUpMs = 20000;

struct Outcome {
    int events = 0;
    bool onOwnerThread = true;
    int playStateWhilePlaying = -1;
    bool positionsWithinSelection = true;
    int64_t positionAfter = -1;
    int playStateAfter = -1;
};

// Runs a loop on the calling thread's default context until the handler ends it or time runs out.
void runUntil(GMainLoop* loop, guint ms) {
    GSource* limit = g_timeout_source_new(ms);
    g_source_set_callback(
        limit, [](gpointer l) -> gboolean { g_main_loop_quit(static_cast<GMainLoop*>(l)); return G_SOURCE_REMOVE; }, loop, nullptr);
    g_source_attach(limit, g_main_loop_get_context(loop));
    g_main_loop_run(loop);
    g_source_destroy(limit);
    g_source_unref(limit);
}

// Plays 0.3 s from the middle of a clip and waits for the end, the way the program does: the
// editor is created on the thread whose context will run, and the handler calls Stop.
Outcome playShortSelection(const std::string& wav) {
    Outcome out;
    GMainContext* context = g_main_context_get_thread_default();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    std::thread::id owner = std::this_thread::get_id();
    {
        Editor editor;
        editor.OpenFile(wav);
        auto& s = editor.selection();
        s.SetSelectionActive(true);
        s.SetSelStart(s.MsToPosition(500));
        s.SetSelEnd(s.MsToPosition(800));
        s.SetCurrentPosition(s.SelStart());
        editor.setPlaybackEndedHandler([&] {
            ++out.events;
            out.onOwnerThread = out.onOwnerThread && std::this_thread::get_id() == owner;
            editor.Stop();
            g_main_loop_quit(loop);
        });
        std::pair<Editor*, Outcome*> probed{&editor, &out};
        GSource* probe = g_timeout_source_new(20);
        g_source_set_callback(
            probe,
            [](gpointer p) -> gboolean {
                auto* state = static_cast<std::pair<Editor*, Outcome*>*>(p);
                Editor& e = *state->first;
                if (e.PlayState() == 1) {
                    state->second->playStateWhilePlaying = 1;
                    int64_t at = e.selection().CurrentPosition();
                    if (at < e.selection().SelStart() || at > e.selection().SelEnd()) {
                        state->second->positionsWithinSelection = false;
                    }
                }
                return G_SOURCE_CONTINUE;
            },
            &probed, nullptr);
        g_source_attach(probe, context);

        // A second Play while playing starts over; only the one that runs out reports.
        editor.Play();
        editor.Play();
        runUntil(loop, kGiveUpMs);
        out.positionAfter = s.CurrentPosition() - s.SelStart();
        out.playStateAfter = editor.PlayState();
        // Nothing more is reported once playback has ended.
        runUntil(loop, 300);
        g_source_destroy(probe);
        g_source_unref(probe);
    }
    g_main_loop_unref(loop);
    return out;
}

void expectEndedOnce(const Outcome& out) {
    EXPECT_EQ(out.events, 1);
    EXPECT_TRUE(out.onOwnerThread);
    EXPECT_EQ(out.playStateWhilePlaying, 1);
    EXPECT_TRUE(out.positionsWithinSelection);
    EXPECT_EQ(out.positionAfter, 0) << "the position returns to SelStart";
    EXPECT_EQ(out.playStateAfter, 0);
}

class PlaybackTest : public testing::Test {
protected:
    void SetUp() override { fixtures::writeWav(wav_, 44100, 2, 44100, fixtures::tone(44100, 440)); }
    fixtures::TempDir dir_;
    std::string wav_ = dir_.file("clip.wav");
};

TEST_F(PlaybackTest, EndIsReportedOnceOnTheOwnerThread) { expectEndedOnce(playShortSelection(wav_)); }

TEST_F(PlaybackTest, EndIsReportedToTheContextOfTheThreadThatCreatedTheEditor) {
    Outcome out;
    std::thread worker([&] {
        GMainContext* own = g_main_context_new();
        g_main_context_push_thread_default(own);
        out = playShortSelection(wav_);
        g_main_context_pop_thread_default(own);
        g_main_context_unref(own);
    });
    worker.join();
    expectEndedOnce(out);
}

TEST_F(PlaybackTest, StopEndsPlaybackWithoutReportingAnEnd) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    int events = 0;
    {
        Editor editor;
        editor.OpenFile(wav_);
        auto& s = editor.selection();
        s.SetSelStart(s.MsToPosition(100));
        s.SetSelEnd(s.MsToPosition(300));
        editor.setPlaybackEndedHandler([&] { ++events; });
        editor.Play();
        EXPECT_EQ(editor.PlayState(), 1);
        editor.Stop();
        EXPECT_EQ(editor.PlayState(), 0);
        EXPECT_EQ(s.CurrentPosition(), s.SelStart());
        runUntil(loop, 500);
        // An empty selection plays nothing and ends at once.
        s.SetSelStart(s.Length() + 10);
        s.SetSelEnd(s.Length() + 20);
        editor.setPlaybackEndedHandler([&] { ++events; g_main_loop_quit(loop); });
        editor.Play();
        runUntil(loop, kGiveUpMs);
        EXPECT_EQ(events, 1);
        // Closing while playing stops without a report.
        s.SetSelStart(0);
        s.SetSelEnd(s.Length());
        editor.Play();
        editor.CloseFile();
        EXPECT_EQ(editor.PlayState(), 0);
        runUntil(loop, 300);
        EXPECT_EQ(events, 1);
    }
    g_main_loop_unref(loop);
}

TEST_F(PlaybackTest, MovingThePositionWhilePlayingMovesThePlayHead) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    int events = 0;
    {
        Editor editor;
        editor.OpenFile(wav_);
        auto& s = editor.selection();
        s.SetSelStart(0);
        s.SetSelEnd(s.Length());
        editor.setPlaybackEndedHandler([&] { ++events; g_main_loop_quit(loop); });
        editor.Play();
        s.SetCurrentPosition(s.Length() - s.MsToPosition(50));
        EXPECT_GE(s.CurrentPosition(), s.Length() - s.MsToPosition(50));
        EXPECT_LE(s.CurrentPosition(), s.Length());
        runUntil(loop, kGiveUpMs);
        EXPECT_EQ(events, 1);
        EXPECT_EQ(s.CurrentPosition(), 0);
    }
    g_main_loop_unref(loop);
}

}  // namespace
