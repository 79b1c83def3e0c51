// The audio source from an audio CD: finding the drives, checking for an audio disc through the
// command-string interface, previewing tracks on the multimedia control, and loading the chosen
// track into the editor.

#include <algorithm>
#include <cctype>
#include <cmath>

#include "editing_values.h"
#include "late_bound.h"
#include "main_window.h"
#include "mci/mci.h"

namespace {
constexpr std::size_t kMaxCdDrives = 11;
constexpr long kSetupMargin = 2000;
constexpr long kSliderThreshold = 28;
constexpr const char* kPutDiscMessage = "Put an Audio CD in the open drive, close door, then click OK";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

bool readsTrue(const std::string& answer) { return lower(answer) == "true"; }

long wholeSeconds(double seconds) { return static_cast<long>(std::floor(seconds)); }
}  // namespace

void frm_Main::tellMciError() {
    char text[256] = "";
    mciGetErrorStringA(static_cast<MCIERROR>(mciError_), text, sizeof text);
    tell(text, "Send MCI");
}

bool frm_Main::SendMciCommand(const std::string& command, bool showErrors) {
    mciError_ = static_cast<long>(mciSendStringA(command.c_str(), nullptr, 0, hWnd()));
    if (showErrors && mciError_ != 0) tellMciError();
    return mciError_ == 0;
}

std::string frm_Main::MediaPresent(bool showErrors) {
    char answer[30] = "";
    mciError_ = static_cast<long>(mciSendStringA("status cd1 media present", answer, sizeof answer, hWnd()));
    if (showErrors && mciError_ != 0) tellMciError();
    return answer;
}

// A track file on the first drive found; empty when there is no drive. The root ends in a
// backslash of its own, so the file is joined to it with exactly one.
std::string frm_Main::CdTrackPath(const std::string& trackFile) const {
    if (cdDrives_.empty()) return {};
    std::string root = upper(cdDrives_.front());
    while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
    return root + "\\" + trackFile;
}

void frm_Main::cmd_FromAudioCD_Click() { pb_FromAudioCD_Click(); }

void frm_Main::pb_FromAudioCD_Click() {
    pb_FromAudioCD.Enabled(false);
    cmd_FromAudioCD.Enabled(false);
    track(300);

    lb_CDRom.Clear();
    cdDrives_.clear();
    forms::FileSystemObject fso;
    for (const auto& drive : fso.Drives()) {
        if (drive.DriveType != forms::CDRom || cdDrives_.size() >= kMaxCdDrives) continue;
        lb_CDRom.AddItem(lower(drive.RootPath));
        cdDrives_.push_back(drive.RootPath);
    }

    if (OpenCdDevice()) {
        try {
            if (fso.FileExists(g_AudioFilePath)) {
                Label16.Caption("Select Audio Track");
                SetFrameChecked(31, "FromAudioCD");
                m_FrameNumber = 4;
                cmd_Prev.Visible(true);
                SetPreviewControls(false);
                MousePointer(forms::vbHourglass);
                SetPreviewControls(true);
                MMControl1.UpdateInterval(0);
                MMControl1.DeviceType("CDAudio");
                MMControl1.Command("Open");
                MMControl1.Notify(false);
                MMControl1.Shareable(false);
                MMControl1.Command("Play");
                MousePointer(forms::vbArrow);
            }
        } catch (const forms::Error&) {
            forms::Err().Clear();
            MousePointer(forms::vbArrow);
            tell("This is not a standard Audio CD. Please try a different one.", "From Audio CD");
            // The user is to try another disc or a file: both are chosen on the source step.
            if (m_FrameNumber == 4) {
                previewCommand("Close");
                SetFrameChecked(3, "FromAudioCD");
                m_FrameNumber = 3;
            }
        }
    }
    pb_FromAudioCD.Enabled(true);
    cmd_FromAudioCD.Enabled(true);
}

// True when an audio disc is in the first drive. A device that cannot be opened (no drive, or
// one in use) has had its error told, and the program goes on on the source step.
bool frm_Main::OpenCdDevice() {
    bool result = false;
    if (SendMciCommand("open cdaudio alias cd1 wait shareable", true)) {
        SendMciCommand("set cd1 time format tmsf wait", true);
        const bool present = readsTrue(MediaPresent(false));
        g_AudioFilePath = CdTrackPath("Track01.cda");
        if (present) {
            if (forms::FileSystemObject().FileExists(g_AudioFilePath)) {
                result = true;
            } else {
                letEventsRun();
                SendMciCommand("set cd1 door open", true);
                tell("This is not a standard Audio CD*.  Please try a different one.", "Open CD Device");
            }
        } else {
            SendMciCommand("set cd1 door open", true);
            tell(kPutDiscMessage, "Open CD Device");
            letEventsRun();
            // The disc given meanwhile may be one that cannot be read: that is told, not passed over.
            SendMciCommand("set cd1 time format tmsf wait", true);
            result = readsTrue(MediaPresent(true));
        }
    }
    SendMciCommand("close all", false);
    MousePointer(forms::vbArrow);
    letEventsRun();
    return result;
}

void frm_Main::SetPreviewControls(bool active) {
    SetActive(cmd_PreviewNextTrack, img_PreviewNextTrack, active);
    SetActive(cmd_PreviewPreviousTrack, img_PreviewPreviousTrack, active);
    SetActive(cmd_PreviewStop, img_PreviewStop, active);
    SetActive(cmd_SelectTrack, img_SelectTrack, active);
    if (active) {
        TrackNumber.Visible(true);
        TrackNumber.Text("1");
    } else {
        TrackNumber.Enabled(false);
    }
}

// The multimedia control keeps a command the device refuses in its Error property; the preview
// goes on with what the device allows (no disc, nothing open).
void frm_Main::previewCommand(const std::string& command) {
    try {
        MMControl1.Command(command);
    } catch (const forms::Error&) {
        forms::Err().Clear();
    }
}

void frm_Main::cmd_PreviewNextTrack_Click() {
    previewCommand("Stop");
    previewCommand("Next");
    TrackNumber.Text(std::to_string(MMControl1.Track()));
    previewCommand("Play");
    SetActive(cmd_PreviewStop, img_PreviewStop, true);
}

void frm_Main::cmd_PreviewPreviousTrack_Click() {
    previewCommand("Stop");
    previewCommand("Prev");
    TrackNumber.Text(std::to_string(MMControl1.Track()));
    previewCommand("Play");
    SetActive(cmd_PreviewStop, img_PreviewStop, true);
}

void frm_Main::cmd_PreviewStop_Click() {
    previewCommand("Stop");
    SetActive(cmd_PreviewStop, img_PreviewStop, false);
}

void frm_Main::Image20_Click() {
    Image20.Enabled(false);
    MMControl1.Wait(true);
    previewCommand("Stop");
    MMControl1.Wait(true);
    previewCommand("Eject");
    MMControl1.Wait(true);
    previewCommand("Close");
    g_CdEjecting = true;
    tell(kPutDiscMessage, "Open CD Device");
    // Closing the message instead of OK went back to the source step: nothing is played there.
    if (fr_Main(31).Visible()) {
        MMControl1.UpdateInterval(0);
        MMControl1.DeviceType("CDAudio");
        previewCommand("Open");
        MMControl1.Notify(false);
        MMControl1.Shareable(false);
        TrackNumber.Text("1");
        previewCommand("Play");
    }
    g_CdEjecting = false;
    Image20.Enabled(true);
}

void frm_Main::cmd_SelectTrack_Click() {
    try {
        TakeTrack();
    } catch (const forms::Error&) {
        forms::Err().Clear();
        tell("Could not extract Track.  Please try another one.", "Select Track");
        // Nothing is loaded any more: the transport must not act on the track.
        try {
            editorCall("CloseFile");
        } catch (const forms::Error&) {
            forms::Err().Clear();
        }
        g_AudioFilePath.clear();
        SetFrameChecked(3, "Find File");
        m_FrameNumber = m_FrameNumber - 1;
    }
}

void frm_Main::TakeTrack() {
    track(301);
    SetFrameChecked(4, "Select Track");
    cmd_Prev.Visible(false);
    letEventsRun();
    ResetEditingControls();

    previewCommand("Stop");
    g_AudioFilePath = CdTrackPath(std::string(MMControl1.Track() < 10 ? "Track0" : "Track") + TrackNumber.Text() + ".cda");
    previewCommand("Close");
    sliderPut("Value", 0);
    letEventsRun();
    ResetEditingControls();
    letEventsRun();
    ApplyDisplaySettings();

    late_bound::Call(editor(), "OpenFile", {com::Variant::text(g_AudioFilePath)});
    g_SampleRate = late_bound::AsLong(late_bound::Get(late_bound::GetObject(editor(), "WaveInfo").get(), "SampleRate"));
    g_ClipLength = selectionGet("Length");
    g_ClipLengthMs = positionToMs(g_ClipLength);
    // A track is never looped; what a clip looped before leaves nothing behind.
    g_Looping = false;
    g_LoopLengthMs = 0;
    const long clipSeconds = wholeSeconds(g_ClipLengthMs / 1000.0);
    if (clipSeconds < kMinRingtoneSeconds) txtbox_RingtoneLength.Text(std::to_string(kMinRingtoneSeconds));

    selectionActive(true);
    selectionPut("SelStart", 0);
    g_RingtoneLength = msToPosition(RoundLong(lengthBoxValue() * 1000));
    sliderPut("Enabled", 1);
    if (g_ClipLength <= g_RingtoneLength + kSetupMargin) {
        g_RingtoneLength = g_ClipLength - kSetupMargin;
        // The box keeps to the lengths a ringtone may have, also for a track shorter than that.
        txtbox_RingtoneLength.Text(std::to_string(std::max<long>(clipSeconds, kMinRingtoneSeconds)));
        sliderPut("Enabled", 0);
    }
    selectionPut("SelEnd", g_RingtoneLength);
    g_StartPoint = 0;

    const double L = lengthBoxValue();
    sliderPut("Max", RoundLong(std::trunc(g_ClipLengthMs / 1000.0 * 10) - L * 10));
    if (sliderGet("Max") < kSliderThreshold) {
        sliderPut("Max", static_cast<long>(L));
        SetActive(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, false);
    }
    sliderPut("Min", 0);

    cmd_Prev.Visible(true);
    if (AudioSliderType21) AudioSliderType21->Visible(true);
    MousePointer(forms::vbDefault);
    cmd_Play_AudioEditor_Click();
}
