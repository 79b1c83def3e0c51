// The editing step: loading a clip into the hosted editor, looping short clips, the transport
// with its timers, and the fine-tuning of the start point and the length.

#include <cmath>

#include "editing_values.h"
#include "late_bound.h"
#include "main_window.h"
#include "messages.h"
#include "program_env.h"
#include "shared_procedures.h"

using late_bound::AsLong;

namespace {
constexpr long kLoopTargetMs = 28000;
constexpr long kLoopGapMs = 1100;
constexpr long kSetupMargin = 2000;
constexpr long kSliderThreshold = 28;

com::Variant i4(long value) { return com::Variant::i4(static_cast<LONG>(value)); }

// Whole seconds, rounded down.
long wholeSeconds(double seconds) { return static_cast<long>(std::floor(seconds)); }
}  // namespace

// Late-bound members of the hosted controls.

IDispatch* frm_Main::editor() const { return AudioEditor21 ? AudioEditor21->Object() : nullptr; }

com::ComPtr<IDispatch> frm_Main::selection() const { return late_bound::GetObject(editor(), "Selection"); }

long frm_Main::selectionGet(const std::string& name) const {
    return AsLong(late_bound::Get(selection().get(), name));
}

void frm_Main::selectionPut(const std::string& name, long value) const {
    late_bound::Put(selection().get(), name, i4(value));
}

void frm_Main::selectionActive(bool active) const {
    late_bound::Put(selection().get(), "SelectionActive", com::Variant::boolean(active));
}

long frm_Main::msToPosition(long ms) const {
    return AsLong(late_bound::Call(selection().get(), "MsToPosition", {i4(ms)}));
}

long frm_Main::positionToMs(long position) const {
    return AsLong(late_bound::Call(selection().get(), "PositionToMs", {i4(position)}));
}

void frm_Main::editorCall(const std::string& name) const { late_bound::Call(editor(), name); }

void frm_Main::setSaveFormat() const {
    late_bound::Call(late_bound::GetObject(editor(), "SaveFormat").get(), "SetFormat", {i4(44100), i4(32), i4(1)});
}

void frm_Main::sliderPut(const std::string& name, long value) const {
    IDispatch* slider = AudioSliderType21 ? AudioSliderType21->Object() : nullptr;
    if (name == "Enabled")
        late_bound::Put(slider, name, com::Variant::boolean(value != 0));
    else
        late_bound::Put(slider, name, i4(value));
}

long frm_Main::sliderGet(const std::string& name) const {
    return AsLong(late_bound::Get(AudioSliderType21 ? AudioSliderType21->Object() : nullptr, name));
}

void frm_Main::setTime(long ms) const {
    late_bound::Call(AudioTimeDisplayType11 ? AudioTimeDisplayType11->Object() : nullptr, "SetTime", {i4(ms)});
}

void frm_Main::timeDisplayVisible(bool visible) {
    if (!AudioTimeDisplayType11) forms::raise(forms::errObjectNotSet);
    AudioTimeDisplayType11->Visible(visible);
}

double frm_Main::lengthBoxValue() const {
    try {
        return std::stod(txtbox_RingtoneLength.Text());
    } catch (const std::exception&) {
        return 0;
    }
}

// Set-up.

void frm_Main::ResetEditingControls() {
    SetActive(cmd_FastForward, img_FastForward, false);
    SetActive(cmd_Rewind, img_Rewind, false);
    SetActive(cmd_Play_AudioEditor, img_Play_AudioEditor, false);
    SetActive(cmd_MakeRingtone, img_MakeRingtone, false);
    SetActive(cmd_Stop_AudioEditor, img_Stop_AudioEditor, false);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, false);
    SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, false);
    SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, false);
    cmd_Prev.Visible(false);
    img_fineTune.Visible(true);
    lb_RingtoneLength.Visible(true);
    timeDisplayVisible(false);
    img_AudioTimeDisplay.Visible(true);
    txt_RingtoneName.Text("NameTone");
    txt_RingtoneName.MaxLength(8);
    txt_RingtoneName.Enabled(false);
    ShowNamingPanel(false);
    sliderPut("Enabled", 1);
}

void frm_Main::ApplyDisplaySettings() {
    IDispatch* display = AudioTimeDisplayType11 ? AudioTimeDisplayType11->Object() : nullptr;
    auto part = [&](const char* name) { return late_bound::GetObject(editor(), name); };
    late_bound::Put(editor(), "ScrollBarsVisible", com::Variant::boolean(false));
    late_bound::Call(part("TimeRuler").get(), "SetStyle", {i4(0)});
    late_bound::Call(part("LevelRuler").get(), "SetStyle", {i4(0)});
    auto colors = part("Colors");
    late_bound::Call(colors.get(), "SetSelectedWaveColor", {i4(0xFF0000)});
    late_bound::Call(colors.get(), "SetSelectedBackColor", {i4(0xFF0000)});
    late_bound::Put(display, "ShowHours", com::Variant::boolean(false));
    late_bound::Put(display, "ShowMilliseconds", com::Variant::boolean(true));
    Timer1.Enabled(false);
    sliderPut("Value", 0);
    late_bound::Put(display, "DigitColor", i4(65535));
    late_bound::Call(part("Overview").get(), "SetStyle", {i4(0)});
    late_bound::Call(colors.get(), "SetBackColor", {i4(0xFF8080)});
    late_bound::Call(colors.get(), "SetWaveColor", {i4(65535)});
    late_bound::Call(colors.get(), "SetSelectedWaveColor", {i4(0xFF8080)});
    sliderPut("BackColor", 0x808080);
    sliderPut("StripColor", 192);
    MousePointer(forms::vbHourglass);
}

void frm_Main::ApplyWholeClipSelection() {
    selectionActive(true);
    selectionPut("SelStart", 0);
    selectionPut("SelEnd", selectionGet("Length"));
}

void frm_Main::AfterLoad() {
    g_ClipLength = selectionGet("Length");
    g_ClipLengthMs = positionToMs(g_ClipLength);
    if (g_ClipLengthMs / 1000.0 <= 12.0) {
        g_Looping = true;
        tell(std::string("The file you have opened is twelve seconds or less.") + '\r' +
                 "Tavimo will automatically loop (repeat) your audio clip.",
             "Looping File");
    }
    letEventsRun();
    if (!g_Looping) return;
    BuildLoop();
}

void frm_Main::BuildLoop() {
    ApplyWholeClipSelection();
    const long n = kLoopTargetMs / (g_ClipLengthMs + kLoopGapMs);
    g_LoopLengthMs = (g_ClipLengthMs + kLoopGapMs) * n;
    setTime(g_LoopLengthMs);
    selectionPut("CurrentPosition", g_ClipLength);
    late_bound::Put(editor(), "LoopGap", i4(kLoopGapMs));
    selectionActive(true);
    selectionPut("SelStart", 0);
    selectionPut("SelEnd", selectionGet("Length") + msToPosition(kLoopGapMs));
    MousePointer(forms::vbHourglass);
    const long block = selectionGet("SelEnd");
    editorCall("CopySelection");
    selectionActive(false);
    for (long k = 1; k <= n - 1; ++k) {
        selectionPut("CurrentPosition", k * block);
        editorCall("PasteAtPosition");
    }
    setSaveFormat();
    const std::string loopPath = ProgramFolder() + "/" + kLoopFileName;
    // The loop file lives only until the editor has it: a build that ends early (an error, or
    // the window closed while events ran) takes it away too.
    try {
        late_bound::Call(editor(), "SaveFile", {com::Variant::text(loopPath), com::Variant::boolean(false)});
        letEventsRun();
        editorCall("CloseFile");
        letEventsRun();
        late_bound::Call(editor(), "OpenFile", {com::Variant::text(loopPath)});
    } catch (...) {
        DeleteFileToRecycleBin(loopPath);
        throw;
    }
    DeleteFileToRecycleBin(loopPath);
    g_ClipLength = selectionGet("Length");
    g_ClipLengthMs = positionToMs(g_ClipLength);
    txtbox_RingtoneLength.Text(std::to_string(wholeSeconds(g_ClipLengthMs / 1000.0)));
    cmd_Play_AudioEditor_Click();
}

void frm_Main::EditorSetup() {
    try {
        const double L = lengthBoxValue();
        g_RingtoneLength = g_Looping ? g_ClipLength : msToPosition(RoundLong(L * 1000));
        sliderPut("Enabled", 1);
        bool sliderEnabled = true;
        if (g_ClipLength <= g_RingtoneLength + kSetupMargin) {
            g_RingtoneLength = g_ClipLength - kSetupMargin;
            sliderPut("Enabled", 0);
            sliderEnabled = false;
        }
        selectionActive(true);
        selectionPut("SelStart", 0);
        selectionPut("SelEnd", g_RingtoneLength);
        // The new clip's ringtone starts at its beginning; the last clip's start point must not
        // linger in the transport's and fine-tuning's steps.
        g_StartPoint = 0;
        if (sliderEnabled) {
            sliderPut("Max", RoundLong(g_ClipLengthMs / 1000.0 * 10 - L * 10));
            if (sliderGet("Max") < kSliderThreshold) {
                sliderPut("Max", static_cast<long>(L));
                SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
            }
            sliderPut("Min", 0);
            sliderPut("Value", 0);
            if (AudioSliderType21) AudioSliderType21->Visible(true);
        }
        cmd_Prev.Visible(true);
        timeDisplayVisible(true);
        MousePointer(forms::vbDefault);
        setTime(g_ClipLengthMs);
        letEventsRun();
        cmd_Play_AudioEditor_Click();
        if (g_ClipLengthMs < 1) g_ClipLengthMs = 1;
    } catch (const forms::Error&) {
        tell("Problem Setting Up Editor", "Enable_EditorSetup");
        forms::Err().Clear();
    }
}

// Transport.

void frm_Main::cmd_Play_AudioEditor_Click() {
    timeDisplayVisible(true);
    img_AudioTimeDisplay.Visible(false);
    if (g_AudioFilePath.empty()) return;
    const bool wind = wholeSeconds(g_ClipLengthMs / 1000.0) >= lengthBoxValue() + 2 && !g_Looping;
    SetActive(cmd_Rewind, img_Rewind, wind);
    SetActive(cmd_FastForward, img_FastForward, wind);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, false);
    SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, false);
    SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, false);
    SetActive(cmd_Play_AudioEditor, img_Play_AudioEditor, false);
    SetActive(cmd_Stop_AudioEditor, img_Stop_AudioEditor, true);
    g_Position = selectionGet("CurrentPosition");
    g_PositionMs = positionToMs(g_Position);
    setTime(g_PositionMs);
    letEventsRun();
    editorCall("Play");
    Timer1.Interval(100);
    Timer1.Enabled(true);
}

void frm_Main::cmd_Stop_AudioEditor_Click() {
    if (g_AudioFilePath.empty()) return;
    editorCall("Stop");
    setTime(positionToMs(g_StartPoint));
    SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, true);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, false);
    const double L = lengthBoxValue();
    SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, L != kMinRingtoneSeconds);
    SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, L != kMaxRingtoneSeconds);
    g_SelEndMs = positionToMs(selectionGet("SelEnd"));
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, !(g_SelEndMs == g_ClipLengthMs || g_Looping));
    SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, selectionGet("SelStart") != 0);
    if (wholeSeconds(g_ClipLengthMs / 1000.0) < L)
        SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    SetActive(cmd_Play_AudioEditor, img_Play_AudioEditor, true);
    SetActive(cmd_Stop_AudioEditor, img_Stop_AudioEditor, false);
    img_MakeRingtone.Visible(false);
    cmd_MakeRingtone.Visible(true);
    txt_RingtoneName.Enabled(true);
}

void frm_Main::AudioEditor21_PlaybackEnded() {
    cmd_Stop_AudioEditor_Click();
    img_MakeRingtone.Visible(false);
    cmd_MakeRingtone.Visible(true);
    txt_RingtoneName.Enabled(true);
}

void frm_Main::Timer1_Timer() {
    g_Position = selectionGet("CurrentPosition");
    g_PositionMs = positionToMs(g_Position);
    setTime(g_PositionMs);
}

void frm_Main::showSliderHint() { pb_SliderButtonLabel.Visible(sliderGet("Value") == 0); }

void frm_Main::cmd_Rewind_MouseDown() {
    g_RewindHeld = true;
    Timer2.Interval(100);
    Timer2.Enabled(true);
    showSliderHint();
}

void frm_Main::cmd_Rewind_MouseUp() {
    g_RewindHeld = false;
    showSliderHint();
    cmd_Play_AudioEditor_Click();
}

void frm_Main::cmd_FastForward_MouseDown() {
    g_FastForwardHeld = true;
    Timer2.Interval(100);
    Timer2.Enabled(true);
    showSliderHint();
}

void frm_Main::cmd_FastForward_MouseUp() {
    g_FastForwardHeld = false;
    showSliderHint();
    cmd_Play_AudioEditor_Click();
}

void frm_Main::Timer2_Timer() {
    if (!g_FastForwardHeld && !g_RewindHeld) return;
    const long step = msToPosition(2000);
    // Playback moves the position on while the step runs, so the new start is the one the step
    // chose, not the position read back; the selection never ends past the clip.
    auto moveTo = [&](long position) {
        selectionPut("CurrentPosition", position);
        sliderPut("Value", RoundLong(static_cast<double>(position) / g_SampleRate * 10));
        g_StartPoint = position;
        selectionPut("SelStart", g_StartPoint);
        selectionPut("SelEnd", g_StartPoint + g_RingtoneLength);
        g_SelEndValue = selectionGet("SelEnd");
        cmd_Play_AudioEditor_Click();
    };
    if (g_FastForwardHeld && selectionGet("SelEnd") + step <= g_ClipLength)
        moveTo(std::min(selectionGet("CurrentPosition") + step, g_ClipLength - g_RingtoneLength));
    // Rewinding stops at the clip's start: the editor is never given a position before it.
    if (g_RewindHeld) moveTo(std::max(0L, selectionGet("CurrentPosition") - step));
}

void frm_Main::AudioSliderType21_ValueChange() {
    if (g_AudioFilePath.empty() || g_FastForwardHeld || g_RewindHeld) return;
    if (selectionGet("SelEnd") > g_ClipLength) return;
    // A disabled slider cannot be dragged: what it reports then only echoes a value the program
    // put, and must not enable it again (a clip too short to move the ringtone in).
    if (sliderGet("Enabled") == 0) return;
    sliderPut("Enabled", 1);
    Timer1.Interval(100);
    Timer1.Enabled(true);
    const long value = sliderGet("Value");
    // The start point stays where the whole ringtone still fits in the clip.
    const long latest = std::max(0L, g_ClipLength - g_RingtoneLength);
    selectionPut("CurrentPosition", std::min(latest, RoundLong(value / 10.0 * g_SampleRate)));
    selectionActive(true);
    g_StartPoint = selectionGet("CurrentPosition");
    selectionPut("SelStart", g_StartPoint);
    selectionPut("SelEnd", g_StartPoint + g_RingtoneLength);
    g_Position = selectionGet("CurrentPosition");
    g_PositionMs = positionToMs(g_Position);
    setTime(g_PositionMs);
    SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, g_PositionMs != 0);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, !g_Looping);
    pb_SliderButtonLabel.Visible(value == 0);
}

// Fine tuning.

void frm_Main::holdFineTune(bool& flag) {
    flag = true;
    Timer3.Interval(100);
    Timer3.Enabled(true);
}

void frm_Main::Timer3_Timer() {
    releaseInactiveFineTune();
    if (g_IncreaseStartHeld) stepStart(true);
    if (g_DecreaseStartHeld) stepStart(false);
    if (g_IncreaseLengthHeld) increaseLength();
    if (g_DecreaseLengthHeld) decreaseLength();
    releaseInactiveFineTune();
}

// A held button that turns inactive lets go: its picture gives way to the inactive one, and the
// release of the mouse button then never reaches it.
void frm_Main::releaseInactiveFineTune() {
    if (!cmd_Increase_StartTime.Visible()) g_IncreaseStartHeld = false;
    if (!cmd_Decrease_StartTime.Visible()) g_DecreaseStartHeld = false;
    if (!cmd_IncreaseRingtoneDuration.Visible()) g_IncreaseLengthHeld = false;
    if (!cmd_DecreaseRingtoneDuration.Visible()) g_DecreaseLengthHeld = false;
}

void frm_Main::stepStart(bool increase) {
    if (AsLong(late_bound::Get(editor(), "PlayState")) == 1) editorCall("Stop");
    SetActive(cmd_Play_AudioEditor, img_Play_AudioEditor, true);
    SetActive(cmd_Stop_AudioEditor, img_Stop_AudioEditor, false);
    g_Position = selectionGet("CurrentPosition");
    g_PositionMs = positionToMs(g_Position);
    const long step = msToPosition(100);
    // The start stays within the clip: never before its start, and never so late that the
    // selection would end past its end.
    const long selStart = selectionGet("SelStart");
    long moved = increase ? selStart + step : selStart - step;
    moved = std::max(0L, std::min(moved, std::max(0L, g_ClipLength - g_RingtoneLength)));
    const long delta = moved - selStart;
    selectionPut("CurrentPosition", g_Position + delta);
    sliderPut("Value", RoundLong(static_cast<double>(selectionGet("CurrentPosition")) / g_SampleRate * 10));
    selectionActive(true);
    g_StartPoint = moved;
    selectionPut("SelStart", g_StartPoint);
    selectionPut("SelEnd", g_StartPoint + g_RingtoneLength);
    if (increase) {
        g_SelEndValue = selectionGet("SelEnd");
        g_SelEndMs = positionToMs(g_SelEndValue);
        if (g_SelEndMs != g_ClipLengthMs && g_SelEndValue < g_ClipLength) {
            SetActive(cmd_Increase_StartTime, img_Increase_StartTime, true);
            SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, true);
        } else {
            SetActive(cmd_Increase_StartTime, img_Increase_StartTime, false);
            g_IncreaseStartHeld = false;
        }
    } else {
        SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, g_PositionMs != 0);
        SetActive(cmd_Increase_StartTime, img_Increase_StartTime, true);
    }
}

void frm_Main::setWindButtons(double L) {
    const bool wind = wholeSeconds(g_ClipLengthMs / 1000.0) >= L + 2 && !g_Looping;
    SetActive(cmd_Rewind, img_Rewind, wind);
    SetActive(cmd_FastForward, img_FastForward, wind);
}

void frm_Main::increaseLength() {
    double L = lengthBoxValue();
    const double C = g_ClipLengthMs / 1000.0;
    const long wholeC = wholeSeconds(C);
    if (C >= L || L < msToPosition(g_LoopLengthMs)) {
        if (L < kMaxRingtoneSeconds && wholeC > L && L >= kMinRingtoneSeconds) {
            L += 1;
            txtbox_RingtoneLength.Text(std::to_string(static_cast<long>(L)));
            g_RingtoneLength = msToPosition(RoundLong(L * 1000));
            selectionActive(true);
            g_StartPoint = selectionGet("CurrentPosition");
            selectionPut("SelStart", g_StartPoint);
            selectionPut("SelEnd", g_StartPoint + g_RingtoneLength);
            sliderPut("Max", RoundLong(C * 10 + 10 - L * 10));
            SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration,
                      !(L == kMaxRingtoneSeconds || wholeC == L));
            SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, true);
        } else {
            SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
        }
        g_SelEndValue = selectionGet("SelEnd");
        g_SelEndMs = positionToMs(g_SelEndValue);
        SetActive(cmd_Increase_StartTime, img_Increase_StartTime, !(C <= L || g_Looping));
    }
    setWindButtons(L);
}

void frm_Main::decreaseLength() {
    double L = lengthBoxValue();
    const double C = g_ClipLengthMs / 1000.0;
    if (L - 1 >= kMinRingtoneSeconds) {
        L -= 1;
        txtbox_RingtoneLength.Text(std::to_string(static_cast<long>(L)));
        SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, true);
        if (L == kMinRingtoneSeconds) SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, false);
        setWindButtons(L);
    } else {
        SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, false);
    }
    g_SelEndValue = selectionGet("SelEnd");
    g_SelEndMs = positionToMs(g_SelEndValue);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, g_SelEndMs != g_ClipLengthMs && !g_Looping);
    g_RingtoneLength = msToPosition(RoundLong(L * 1000));
    selectionActive(true);
    g_StartPoint = selectionGet("CurrentPosition");
    selectionPut("SelStart", g_StartPoint);
    selectionPut("SelEnd", g_StartPoint + g_RingtoneLength);
    const double m = C * 10 + 10 - L * 10;
    sliderPut("Max", m >= 0 ? RoundLong(m) : 1);
}

void frm_Main::DisableEditingControls() {
    SetActive(cmd_FastForward, img_FastForward, false);
    SetActive(cmd_Rewind, img_Rewind, false);
    SetActive(cmd_Increase_StartTime, img_Increase_StartTime, false);
    SetActive(cmd_Decrease_StartTime, img_Decrease_StartTime, false);
    SetActive(cmd_Stop_AudioEditor, img_Stop_AudioEditor, false);
    SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    SetActive(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, false);
    SetActive(cmd_Play_AudioEditor, img_Play_AudioEditor, false);
    img_AudioTimeDisplay.Visible(true);
    img_fineTune.Visible(false);
    timeDisplayVisible(false);
    sliderPut("Enabled", 0);
}
