#include "audio_editor/audio_editor.h"

#include "audio_editor/decoder.h"
#include "audio_editor/playback.h"

#include <glib.h>

#include <algorithm>

namespace audio_editor {
namespace {

// How often the owner thread looks for the end of playback.
constexpr guint kWatchIntervalMs = 10;

int64_t roundedQuotient(__int128 numerator, int64_t denominator) {
    __int128 q = numerator / denominator;
    __int128 r = numerator % denominator;
    if (r < 0) {
        r += denominator;
        --q;
    }
    if (2 * r > denominator || (2 * r == denominator && (q & 1))) ++q;
    return static_cast<int64_t>(std::clamp<__int128>(q, INT64_MIN, INT64_MAX));
}

}  // namespace

int64_t Selection::MsToPosition(int64_t ms) const {
    int rate = editor_.clip_.sampleRate;
    return rate > 0 ? roundedQuotient(static_cast<__int128>(ms) * rate, 1000) : 0;
}

int64_t Selection::PositionToMs(int64_t position) const {
    int rate = editor_.clip_.sampleRate;
    return rate > 0 ? roundedQuotient(static_cast<__int128>(position) * 1000, rate) : 0;
}

int64_t Selection::SelStart() const { return editor_.selStart_; }
void Selection::SetSelStart(int64_t position) { editor_.selStart_ = std::clamp<int64_t>(position, 0, kMaxFrames); }
int64_t Selection::SelEnd() const { return editor_.selEnd_; }
void Selection::SetSelEnd(int64_t position) { editor_.selEnd_ = std::clamp<int64_t>(position, 0, kMaxFrames); }
bool Selection::SelectionActive() const { return editor_.selectionActive_; }
void Selection::SetSelectionActive(bool active) { editor_.selectionActive_ = active; }
int64_t Selection::Length() const { return editor_.clip_.frames(); }

int64_t Selection::CurrentPosition() const {
    if (!editor_.loaded()) return 0;
    return editor_.playing_ ? editor_.player_->position() : editor_.current_;
}

void Selection::SetCurrentPosition(int64_t position) {
    editor_.current_ = std::clamp<int64_t>(position, 0, kMaxFrames);
    if (editor_.playing_) editor_.player_->seek(editor_.current_);
}

int32_t WaveInfo::SampleRate() const { return editor_.clip_.sampleRate; }

void SaveFormat::SetFormat(int32_t sampleRate, int32_t kbps, int32_t channels) {
    Mp3Format format{sampleRate, kbps, channels};
    validateFormat(format);
    format_ = format;
}

Editor::Editor() : player_(std::make_unique<Player>()), context_(g_main_context_ref_thread_default()) {}

Editor::~Editor() {
    halt();
    player_.reset();
    g_main_context_unref(context_);
}

void Editor::requireClip() const {
    if (!loaded()) throw EditorError("No audio is loaded");
}

void Editor::halt() {
    if (watch_) {
        g_source_destroy(watch_);
        g_source_unref(watch_);
        watch_ = nullptr;
    }
    if (playing_) {
        player_->stop();
        playing_ = false;
        current_ = selStart_;
    }
}

void Editor::OpenFile(const std::string& path) {
    CloseFile();
    clip_ = decodeFile(path);
    ++revision_;
}

void Editor::CloseFile() {
    halt();
    player_->close();
    clip_ = Clip{};
    ++revision_;
    copy_.clear();
    hasCopy_ = false;
    selStart_ = selEnd_ = current_ = 0;
    selectionActive_ = false;
}

void Editor::SaveFile(const std::string& path, bool selectionOnly) {
    requireClip();
    int64_t first = selectionOnly ? selStart_ : 0;
    int64_t last = selectionOnly ? selEnd_ : clip_.frames();
    writeFileReplacing(path, encodeMp3(clip_, first, last, saveFormat_.format()));
}

void Editor::Play() {
    requireClip();
    halt();
    int64_t last = std::clamp<int64_t>(selEnd_, 0, clip_.frames());
    int64_t first = std::clamp<int64_t>(selStart_, 0, last);
    player_->start(clip_, first, last);
    playing_ = true;
    watch_ = g_timeout_source_new(kWatchIntervalMs);
    g_source_set_callback(watch_, &Editor::watchPlayback, this, nullptr);
    g_source_attach(watch_, context_);
}

void Editor::Stop() { halt(); }

int Editor::watchPlayback(void* self) {
    auto* editor = static_cast<Editor*>(self);
    if (!editor->player_->finished()) return G_SOURCE_CONTINUE;
    // The handler may play again, close the clip or destroy the editor, so the editor is left in
    // its stopped state before it runs and is not touched afterwards.
    g_source_unref(editor->watch_);
    editor->watch_ = nullptr;
    editor->halt();
    std::function<void()> handler = editor->playbackEnded_;
    if (handler) handler();
    return G_SOURCE_REMOVE;
}

void Editor::CopySelection() {
    requireClip();
    copy_ = clip_.copyRange(selStart_, selEnd_);
    hasCopy_ = true;
}

void Editor::PasteAtPosition() {
    requireClip();
    if (!hasCopy_) throw EditorError("Nothing has been copied");
    int64_t at = selection_.CurrentPosition();
    halt();
    if (selectionActive_ && selEnd_ > selStart_) {
        clip_.erase(selStart_, selEnd_);
        clip_.insertAt(selStart_, copy_);
    } else {
        clip_.insertAt(at, copy_);
    }
    ++revision_;
}

void Editor::SetLoopGap(int64_t ms) {
    if (ms < 0) throw EditorError("The loop gap cannot be negative");
    loopGap_ = ms;
}

}  // namespace audio_editor
