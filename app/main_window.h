#pragma once
// The program's working window: a wizard whose steps are frames stacked in one place. The phone
// step, the audio source, the editing step with its transport and fine-tuning, and the naming
// and ordering all live here; each group of handlers has its own source file.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/forms.h"

// Thrown where a handler of the main window has let events run and the window began to unload
// meanwhile: nothing more of that handler may run, since the window may be gone.
struct MainWindowClosed : std::exception {
    const char* what() const noexcept override { return "The main window was closed"; }
};

class frm_Main : public forms::Form {
public:
    frm_Main();
    ~frm_Main() override;

    // Steps, stacked; a frame's index is the step it serves (1 to 5 and 31).
    forms::ControlArray<forms::Frame> fr_Main;

    // Around the steps.
    forms::Image general_logo;
    forms::ControlArray<forms::Image> pb_Series;
    forms::ControlArray<forms::Image> pb_menu;
    forms::Label txt_price;
    forms::Label Label16;
    forms::Image general_bullet1;
    forms::Label Label5;
    forms::Image general_bullet2;
    forms::Label Label14;
    forms::Image Image11;
    forms::Label Label15;
    forms::Label Label17;
    forms::Label Label21;
    forms::Image Image27;
    forms::Image Image28;
    forms::Image cmd_Prev;
    forms::ControlArray<forms::Image> cmd_Help;
    forms::ControlArray<forms::Image> Image8;

    // Step 1: phone details.
    forms::Label Label26;
    forms::ComboBox cb_CountryList;
    forms::Label Label3;
    forms::TextBox txtbox_internationaldialcode;
    forms::Label Label22;
    forms::ComboBox cb_CarrierList;
    forms::Label Label11;
    forms::Label Label4;
    forms::MaskEdBox meb_PhoneNumber1;
    forms::Image cmd_SubmitCarrier;
    forms::Image click_for_support;

    // Step 2: test ringtone.
    forms::Label Label6;
    forms::Image Image6;
    forms::Image Image7;
    forms::MaskEdBox meb_PhoneNumber;
    forms::Image cmd_SendTestRingtone;
    forms::Image cmd_SkipTest;
    forms::Image Image16;

    // Step 3: audio source.
    forms::Image pb_FromData;
    forms::Image cmd_FromData;
    forms::Image pb_FromAudioCD;
    forms::Image cmd_FromAudioCD;
    forms::Image Image13;
    forms::Image Image17;

    // Step 31: audio CD tracks.
    forms::Image Image2;
    forms::ComboBox lb_CDRom;
    forms::Label Label7;
    forms::TextBox TrackNumber;
    forms::Image img_PreviewPreviousTrack;
    forms::Image cmd_PreviewPreviousTrack;
    forms::Image img_PreviewStop;
    forms::Image cmd_PreviewStop;
    forms::Image img_PreviewNextTrack;
    forms::Image cmd_PreviewNextTrack;
    forms::Image Image20;
    forms::Image img_SelectTrack;
    forms::Image cmd_SelectTrack;
    forms::Image Image18;

    // Step 4: editing. The hosted controls are absent when their class cannot be created.
    std::unique_ptr<forms::OleControl> AudioEditor21;
    std::unique_ptr<forms::OleControl> AudioSliderType21;
    std::unique_ptr<forms::OleControl> AudioPlayButtonType21;
    std::unique_ptr<forms::OleControl> AudioTimeDisplayType11;
    forms::Image Image4;
    forms::Image pb_SliderButtonLabel;
    forms::Image img_Rewind;
    forms::Image cmd_Rewind;
    forms::Image img_Play_AudioEditor;
    forms::Image cmd_Play_AudioEditor;
    forms::Image img_Stop_AudioEditor;
    forms::Image cmd_Stop_AudioEditor;
    forms::Image img_FastForward;
    forms::Image cmd_FastForward;
    forms::Image img_AudioTimeDisplay;
    forms::Image img_fineTune;
    forms::Image img_Decrease_StartTime;
    forms::Image cmd_Decrease_StartTime;
    forms::Image img_Increase_StartTime;
    forms::Image cmd_Increase_StartTime;
    forms::Label lb_RingtoneLength;
    forms::TextBox txtbox_RingtoneLength;
    forms::Image img_DecreaseRingtoneDuration;
    forms::Image cmd_DecreaseRingtoneDuration;
    forms::Image img_IncreaseRingtoneDuration;
    forms::Image cmd_IncreaseRingtoneDuration;
    forms::Label txt_price2;
    forms::Image img_MakeRingtone;
    forms::Image cmd_MakeRingtone;
    forms::Image Image21;

    // The naming panel inside the editing step.
    forms::Frame fr_NameRingtone;
    forms::Image Image15;
    forms::Label Label12;
    forms::TextBox txt_RingtoneName;
    forms::Label Label25;
    forms::Image cmd_OkRingtoneName;
    forms::Image cmd_RingtoneNameCancel;

    forms::Menu FileMenu;
    forms::Menu mnu_ExitMenu;
    forms::Menu mnu_HelpMenu;
    forms::Timer Timer1;
    forms::Timer Timer2;
    forms::Timer Timer3;
    forms::CommonDialog CommonDialog1;
    forms::MMControl MMControl1;

    // The current step.
    int m_FrameNumber = 1;
    int m_PhoneNumberStatus = 10;

    // The carrier and the phone number are kept where the service requests read them.
    std::string prp_CarrierSelect() const;
    void prp_CarrierSelect(const std::string& pprp_CarrierSelect);
    std::string prp_CountrySelect() const { return countrySelect_; }
    void prp_CountrySelect(const std::string& pprp_CountrySelect);
    std::string prp_ModelSelect() const { return {}; }
    std::string prp_PhoneNumber() const;
    void prp_PhoneNumber(const std::string& pprp_PhoneNumber);
    std::string prp_FileName() const { return fileName_; }
    void prp_FileName(const std::string& pprp_FileName);

    // False when a picture of the skin could not be loaded: the window must not be shown.
    bool SkinLoaded() const { return skinLoaded_; }

    // Lays the window out for a step; false after an error in its first statements.
    bool SetFrame(int stepNumber);
    // The same; a failure is told as "Error located in " and where.
    bool SetFrameChecked(int stepNumber, const std::string& where);
    void sb__NextFrame();

    // Handlers the message and help windows run.
    void cmd_Play_AudioEditor_Click();
    void cmd_Stop_AudioEditor_Click();
    void ApplyWholeClipSelection();
    void DisableEditingControls();

    // The timers' and the hosted controls' events, run by them (and by tests, tick by tick).
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void AudioSliderType21_ValueChange();
    void AudioEditor21_PlaybackEnded();

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    // Runs something that lets events run (a message, a modal window, a request that may tell
    // its failure); throws MainWindowClosed when the window began to unload meanwhile.
    void whileOpen(const std::function<void()>& action);
    void letEventsRun();
    void tell(const std::string& text, const std::string& title);
    // Tells the text of the last MCI error, mciError_.
    void tellMciError();
    void track(int step);

    void createHostedControls();
    void placeControls();
    void wireEvents();
    void LoadSkin();

    // Navigation and menu.
    void cmd_Prev_Click();
    void mnu_ExitMenu_Click();
    void mnu_HelpMenu_Click();

    // Phone details.
    void cb_CountryList_Click();
    void cb_CarrierList_Click();
    void meb_PhoneNumber1_GotFocus();
    void meb_PhoneNumber1_KeyPress(int& KeyAscii);
    void meb_PhoneNumber1_LostFocus();
    void cmd_SubmitCarrier_Click();
    bool ValidatePhoneDetails();

    // Audio from a file.
    void ChooseAudioFile();
    void OpenAudioFile();

    // Audio from a CD.
    void pb_FromAudioCD_Click();
    void cmd_FromAudioCD_Click();
    bool OpenCdDevice();
    bool SendMciCommand(const std::string& command, bool showErrors);
    std::string MediaPresent(bool showErrors);
    std::string CdTrackPath(const std::string& trackFile) const;
    void SetPreviewControls(bool active);
    void previewCommand(const std::string& command);
    void cmd_PreviewNextTrack_Click();
    void cmd_PreviewPreviousTrack_Click();
    void cmd_PreviewStop_Click();
    void Image20_Click();
    void cmd_SelectTrack_Click();
    void TakeTrack();

    // Editor set-up and looping.
    void ResetEditingControls();
    void ApplyDisplaySettings();
    void AfterLoad();
    void BuildLoop();
    void EditorSetup();

    // Transport.
    void cmd_Rewind_MouseDown();
    void cmd_Rewind_MouseUp();
    void cmd_FastForward_MouseDown();
    void cmd_FastForward_MouseUp();
    void showSliderHint();

    // Fine tuning.
    void holdFineTune(bool& flag);
    void releaseInactiveFineTune();
    void stepStart(bool increase);
    void increaseLength();
    void decreaseLength();
    void setWindButtons(double lengthSeconds);

    // Naming and ordering.
    void cmd_MakeRingtone_Click();
    void ShowNamingPanel(bool shown);
    void txt_RingtoneName_GotFocus();
    void txt_RingtoneName_KeyPress(int& KeyAscii);
    void cmd_RingtoneNameCancel_Click();
    void cmd_OkRingtoneName_Click();
    bool WaitForConnection();
    void EndProgram();

    // Help, support and currency.
    void cmd_Help_Click(int Index);
    void Image28_Click();

    // The editor's members and the slider's and time display's, late-bound.
    IDispatch* editor() const;
    com::ComPtr<IDispatch> selection() const;
    long selectionGet(const std::string& name) const;
    void selectionPut(const std::string& name, long value) const;
    void selectionActive(bool active) const;
    long msToPosition(long ms) const;
    long positionToMs(long position) const;
    void editorCall(const std::string& name) const;
    void setSaveFormat() const;
    void sliderPut(const std::string& name, long value) const;
    long sliderGet(const std::string& name) const;
    void setTime(long ms) const;
    void timeDisplayVisible(bool visible);
    double lengthBoxValue() const;

    // False from the moment the window starts unloading.
    std::shared_ptr<bool> open_ = std::make_shared<bool>(true);
    std::string countrySelect_;
    bool skinLoaded_ = false;
    // The CD drives' root paths found when the CD source was chosen; only the first is used.
    std::vector<std::string> cdDrives_;
    long mciError_ = 0;
    std::string fileName_;
};

// The loaded main window, or nullptr.
frm_Main* FindMainWindow();

// An image button and its inactive twin: active shows the button and hides the twin.
void SetActive(forms::Image& button, forms::Image& inactive, bool active);

// The caption for a program version.
std::string MainWindowCaption(int major, int minor, int revision);

// The ringtone file name's time stamp for a moment: "mmddyyhhmmss".
std::string MakeTimeStamp(const forms::DateTime& now);
std::string MakeTimeStamp();

// The billing page's address for the ringtone file.
std::string BillingPageAddress(const std::string& phone, const std::string& carrier, const std::string& fileName);
