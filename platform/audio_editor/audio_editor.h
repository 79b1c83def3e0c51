#pragma once
// The audio editor's engine: one clip in memory, a selection over it, playback, copy and paste,
// and saving as MP3. The hosted control exposes these members as they are named here.
// Everything runs on the thread that created the editor (its owner); the end of playback is
// reported there too, through that thread's GLib main context.

#include "audio_editor/clip.h"
#include "audio_editor/mp3_encoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The GLib types, declared here so that the header mixes with the Windows-style layers.
struct _GMainContext;
struct _GSource;

namespace audio_editor {

class Editor;
class Player;

// Positions are frame counts of the loaded clip; times are milliseconds.
class Selection {
public:
    // Both round to the nearest whole number, halves to even; 0 with nothing loaded.
    int64_t MsToPosition(int64_t ms) const;
    int64_t PositionToMs(int64_t position) const;
    int64_t SelStart() const;
    void SetSelStart(int64_t position);
    int64_t SelEnd() const;
    void SetSelEnd(int64_t position);
    bool SelectionActive() const;
    void SetSelectionActive(bool active);
    int64_t Length() const;
    // The play head while playing; otherwise the position last set, which playback's end and
    // Stop return to SelStart.
    int64_t CurrentPosition() const;
    void SetCurrentPosition(int64_t position);

private:
    friend class Editor;
    explicit Selection(Editor& editor) : editor_(editor) {}
    Editor& editor_;
};

class WaveInfo {
public:
    int32_t SampleRate() const;

private:
    friend class Editor;
    explicit WaveInfo(Editor& editor) : editor_(editor) {}
    Editor& editor_;
};

class SaveFormat {
public:
    // Sample rate in Hz, bit rate in kbit/s, channel count (1 or 2). Throws EditorError for a
    // combination that is not a standard Layer III stream.
    void SetFormat(int32_t sampleRate, int32_t kbps, int32_t channels);
    const Mp3Format& format() const { return format_; }

private:
    friend class Editor;
    SaveFormat() = default;
    Mp3Format format_;
};

// The look of the waveform view, as the program sets it. Colours are Windows colour values
// (0x00BBGGRR). A style of 0 hides that part of the view.
struct DisplaySettings {
    bool ScrollBarsVisible = true;
    int32_t TimeRulerStyle = 1;
    int32_t LevelRulerStyle = 1;
    int32_t OverviewStyle = 1;
    uint32_t WaveColor = 0x0000FF00;
    uint32_t BackColor = 0x00000000;
    uint32_t SelectedWaveColor = 0x00000000;
    uint32_t SelectedBackColor = 0x0000FF00;
};

class Editor {
public:
    Editor();
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Replaces the loaded clip. On failure nothing is loaded and EditorError is thrown.
    void OpenFile(const std::string& path);
    void CloseFile();
    // Writes an MP3 file in the save format: the selection clamped to the clip, or the whole clip.
    void SaveFile(const std::string& path, bool selectionOnly);

    // Plays from SelStart to SelEnd (clamped to the clip), restarting if already playing.
    void Play();
    void Stop();
    int32_t PlayState() const { return playing_ ? 1 : 0; }

    // Copies the selection; positions past the end of the clip copy as silence.
    void CopySelection();
    // With an active selection the copy replaces it; otherwise it is inserted at the current
    // position, the clip first growing by silence when the position lies past its end.
    void PasteAtPosition();

    int64_t LoopGap() const { return loopGap_; }
    void SetLoopGap(int64_t ms);

    Selection& selection() { return selection_; }
    const Selection& selection() const { return selection_; }
    WaveInfo& waveInfo() { return waveInfo_; }
    SaveFormat& saveFormat() { return saveFormat_; }
    DisplaySettings& display() { return display_; }
    const DisplaySettings& display() const { return display_; }

    // Called on the owner thread when playback stops by itself (not after Stop).
    void setPlaybackEndedHandler(std::function<void()> handler) { playbackEnded_ = std::move(handler); }

    bool loaded() const { return !clip_.empty(); }
    const Clip& clip() const { return clip_; }
    // Changes whenever the clip's audio does (open, close, paste), for views that keep its outline.
    uint64_t clipRevision() const { return revision_; }

private:
    friend class Selection;
    friend class WaveInfo;

    void requireClip() const;
    void halt();
    static int watchPlayback(void* self);

    Clip clip_;
    uint64_t revision_ = 0;
    std::vector<int16_t> copy_;
    bool hasCopy_ = false;
    int64_t selStart_ = 0;
    int64_t selEnd_ = 0;
    int64_t current_ = 0;
    bool selectionActive_ = false;
    int64_t loopGap_ = 0;

    Selection selection_{*this};
    WaveInfo waveInfo_{*this};
    SaveFormat saveFormat_;
    DisplaySettings display_;

    std::unique_ptr<Player> player_;
    bool playing_ = false;
    _GMainContext* context_ = nullptr;
    _GSource* watch_ = nullptr;
    std::function<void()> playbackEnded_;
};

}  // namespace audio_editor
