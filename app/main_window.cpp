#include "main_window.h"

#include "backend_files.h"
#include "disable_autorun.h"
#include "editing_values.h"
#include "hosted_controls.h"
#include "main_window_values.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "service_requests.h"
#include "shared_procedures.h"
#include "info_windows.h"
#include "user_profile.h"

namespace {
constexpr long px(int pixels) { return forms::toTwips(pixels); }
constexpr long kNavyText = 0x442A1E;
constexpr long kOrangeText = 0x2B9AF3;
constexpr long kGreyText = 0x5A5048;

forms::Frame& stepFrame(forms::ControlArray<forms::Frame>& frames, forms::Form& form, int index) {
    return frames.exists(index) ? frames(index) : frames.add(form, "fr_Main", index);
}

void label(forms::Label& l, int x, int y, int w, int h, const std::string& caption, double size = 9,
           bool bold = false, long colour = kNavyText) {
    l.Move(px(x), px(y), px(w), px(h));
    l.FontSize(size);
    l.FontBold(bold);
    l.ForeColor(colour);
    l.Caption(caption);
}

void button(forms::Image& image, int x, int y) {
    image.Move(px(x), px(y));
    image.MousePointer(forms::vbCustom);
}

// The entries only: the window restores the selections itself once both lists are filled.
void fill(forms::ComboBox& box, const ListBoxModel& model) {
    box.Clear();
    for (const auto& item : model.items) box.AddItem(item);
}

frm_Main* g_MainWindow = nullptr;
}  // namespace

frm_Main* FindMainWindow() { return g_MainWindow; }

void SetActive(forms::Image& button, forms::Image& inactive, bool active) {
    button.Visible(active);
    inactive.Visible(!active);
}

std::string MainWindowCaption(int major, int minor, int revision) {
    return "Tavimo " + std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}

#define STEP(n) stepFrame(fr_Main, *this, n)

frm_Main::frm_Main()
    : forms::Form("frm_Main"),
      general_logo(*this, "general_logo"),
      txt_price(STEP(3), "txt_price"),
      Label16(*this, "Label16"),
      general_bullet1(*this, "general_bullet1"),
      Label5(*this, "Label5"),
      general_bullet2(*this, "general_bullet2"),
      Label14(*this, "Label14"),
      Image11(*this, "Image11"),
      Label15(*this, "Label15"),
      Label17(*this, "Label17"),
      Label21(*this, "Label21"),
      Image27(*this, "Image27"),
      Image28(*this, "Image28"),
      cmd_Prev(*this, "cmd_Prev"),
      Label26(STEP(1), "Label26"),
      cb_CountryList(STEP(1), "cb_CountryList"),
      Label3(STEP(1), "Label3"),
      txtbox_internationaldialcode(STEP(1), "txtbox_internationaldialcode"),
      Label22(STEP(1), "Label22"),
      cb_CarrierList(STEP(1), "cb_CarrierList"),
      Label11(STEP(1), "Label11"),
      Label4(STEP(1), "Label4"),
      meb_PhoneNumber1(STEP(1), "meb_PhoneNumber1"),
      cmd_SubmitCarrier(STEP(1), "cmd_SubmitCarrier"),
      click_for_support(STEP(1), "click_for_support"),
      Label6(STEP(2), "Label6"),
      Image6(STEP(2), "Image6"),
      Image7(STEP(2), "Image7"),
      meb_PhoneNumber(STEP(2), "meb_PhoneNumber"),
      cmd_SendTestRingtone(STEP(2), "cmd_SendTestRingtone"),
      cmd_SkipTest(STEP(2), "cmd_SkipTest"),
      Image16(STEP(2), "Image16"),
      pb_FromData(STEP(3), "pb_FromData"),
      cmd_FromData(STEP(3), "cmd_FromData"),
      pb_FromAudioCD(STEP(3), "pb_FromAudioCD"),
      cmd_FromAudioCD(STEP(3), "cmd_FromAudioCD"),
      Image13(STEP(3), "Image13"),
      Image17(STEP(3), "Image17"),
      Image2(STEP(31), "Image2"),
      lb_CDRom(STEP(31), "lb_CDRom"),
      Label7(STEP(31), "Label7"),
      TrackNumber(STEP(31), "TrackNumber"),
      img_PreviewPreviousTrack(STEP(31), "img_PreviewPreviousTrack"),
      cmd_PreviewPreviousTrack(STEP(31), "cmd_PreviewPreviousTrack"),
      img_PreviewStop(STEP(31), "img_PreviewStop"),
      cmd_PreviewStop(STEP(31), "cmd_PreviewStop"),
      img_PreviewNextTrack(STEP(31), "img_PreviewNextTrack"),
      cmd_PreviewNextTrack(STEP(31), "cmd_PreviewNextTrack"),
      Image20(STEP(31), "Image20"),
      img_SelectTrack(STEP(31), "img_SelectTrack"),
      cmd_SelectTrack(STEP(31), "cmd_SelectTrack"),
      Image18(STEP(31), "Image18"),
      Image4(STEP(4), "Image4"),
      pb_SliderButtonLabel(STEP(4), "pb_SliderButtonLabel"),
      img_Rewind(STEP(4), "img_Rewind"),
      cmd_Rewind(STEP(4), "cmd_Rewind"),
      img_Play_AudioEditor(STEP(4), "img_Play_AudioEditor"),
      cmd_Play_AudioEditor(STEP(4), "cmd_Play_AudioEditor"),
      img_Stop_AudioEditor(STEP(4), "img_Stop_AudioEditor"),
      cmd_Stop_AudioEditor(STEP(4), "cmd_Stop_AudioEditor"),
      img_FastForward(STEP(4), "img_FastForward"),
      cmd_FastForward(STEP(4), "cmd_FastForward"),
      img_AudioTimeDisplay(STEP(4), "img_AudioTimeDisplay"),
      img_fineTune(STEP(4), "img_fineTune"),
      img_Decrease_StartTime(STEP(4), "img_Decrease_StartTime"),
      cmd_Decrease_StartTime(STEP(4), "cmd_Decrease_StartTime"),
      img_Increase_StartTime(STEP(4), "img_Increase_StartTime"),
      cmd_Increase_StartTime(STEP(4), "cmd_Increase_StartTime"),
      lb_RingtoneLength(STEP(4), "lb_RingtoneLength"),
      txtbox_RingtoneLength(STEP(4), "txtbox_RingtoneLength"),
      img_DecreaseRingtoneDuration(STEP(4), "img_DecreaseRingtoneDuration"),
      cmd_DecreaseRingtoneDuration(STEP(4), "cmd_DecreaseRingtoneDuration"),
      img_IncreaseRingtoneDuration(STEP(4), "img_IncreaseRingtoneDuration"),
      cmd_IncreaseRingtoneDuration(STEP(4), "cmd_IncreaseRingtoneDuration"),
      txt_price2(STEP(4), "txt_price2"),
      img_MakeRingtone(STEP(4), "img_MakeRingtone"),
      cmd_MakeRingtone(STEP(4), "cmd_MakeRingtone"),
      Image21(STEP(4), "Image21"),
      fr_NameRingtone(STEP(4), "fr_NameRingtone"),
      Image15(fr_NameRingtone, "Image15"),
      Label12(fr_NameRingtone, "Label12"),
      txt_RingtoneName(fr_NameRingtone, "txt_RingtoneName"),
      Label25(fr_NameRingtone, "Label25"),
      cmd_OkRingtoneName(fr_NameRingtone, "cmd_OkRingtoneName"),
      cmd_RingtoneNameCancel(fr_NameRingtone, "cmd_RingtoneNameCancel"),
      FileMenu(*this, "FileMenu", "&File"),
      mnu_ExitMenu(FileMenu, "mnu_ExitMenu", "E&xit"),
      mnu_HelpMenu(FileMenu, "mnu_HelpMenu", "&About"),
      Timer1(*this, "Timer1"),
      Timer2(*this, "Timer2"),
      Timer3(*this, "Timer3"),
      CommonDialog1(*this, "CommonDialog1"),
      MMControl1(*this, "MMControl1") {
    STEP(5);
    pb_Series.add(*this, "pb_Series", 1);
    pb_menu.add(*this, "pb_menu", 1);
    cmd_Help.add(STEP(1), "cmd_Help", 1);
    cmd_Help.add(STEP(2), "cmd_Help", 2);
    cmd_Help.add(STEP(3), "cmd_Help", 3);
    cmd_Help.add(STEP(31), "cmd_Help", 31);
    cmd_Help.add(STEP(4), "cmd_Help", 4);
    Image8.add(STEP(3), "Image8", 0);
    Image8.add(STEP(31), "Image8", 1);
    Image8.add(STEP(31), "Image8", 2);
    createHostedControls();
    placeControls();
    wireEvents();
}

#undef STEP

frm_Main::~frm_Main() {
    *open_ = false;
    if (g_MainWindow == this) g_MainWindow = nullptr;
    // The hosted controls go while the rest of the window still stands: closing one serves the
    // pending animation ticks of the others, and no event may reach a handler of this window then.
    for (auto* control : {&AudioEditor21, &AudioSliderType21, &AudioPlayButtonType21, &AudioTimeDisplayType11})
        if (*control) (*control)->Event = nullptr;
    AudioPlayButtonType21.reset();
    AudioSliderType21.reset();
    AudioTimeDisplayType11.reset();
    AudioEditor21.reset();
}

void frm_Main::createHostedControls() {
    // Only the editor, the slider and the time display are driven; the transport bar keeps its
    // place whether or not its class can be created.
    auto host = [&](std::unique_ptr<forms::OleControl>& control, const char* name, const CLSID& clsid, int w, int h) {
        try {
            control = std::make_unique<forms::OleControl>(fr_Main(4), name, -1, clsid, px(w), px(h));
        } catch (const forms::Error&) {
            control.reset();
        }
    };
    host(AudioEditor21, "AudioEditor21", hosted::CLSID_AudioEditor2, 465, 128);
    host(AudioSliderType21, "AudioSliderType21", hosted::CLSID_AudioSliderType2, 465, 22);
    host(AudioPlayButtonType21, "AudioPlayButtonType21", hosted::CLSID_AudioPlayButtonType2, 112, 40);
    host(AudioTimeDisplayType11, "AudioTimeDisplayType11", hosted::CLSID_AudioTimeDisplayType1, 150, 40);
}

void frm_Main::placeControls() {
    Move(0, 0, px(680), px(500));
    BackColor(0xEEF4F7);

    general_logo.Move(0, 0);
    pb_Series(1).Move(px(190), 0);
    pb_menu(1).Move(px(10), px(78));
    label(Label16, 200, 98, 465, 30, "", 13, true);
    general_bullet1.Move(px(14), px(216));
    label(Label5, 32, 212, 160, 20, "", 10, true);
    general_bullet2.Move(px(14), px(240));
    label(Label14, 32, 236, 160, 20, "", 10, true);
    Image11.Move(px(14), px(264));
    label(Label15, 32, 260, 160, 20, "", 10, true);
    label(Label17, 14, 296, 176, 24, "", 13, true, kOrangeText);
    label(Label21, 14, 320, 176, 20, "", 9, false, kGreyText);
    Image27.Move(px(10), px(346));
    button(Image28, 10, 350);
    button(cmd_Prev, 24, 446);

    for (int index : fr_Main.indices()) fr_Main(index).Move(px(200), px(137), px(465), px(337));

    label(Label26, 0, 0, 380, 20, "Select your country from the list below");
    cb_CountryList.Move(0, px(22), px(260), px(30));
    label(Label3, 276, 0, 100, 20, "Dialling code");
    txtbox_internationaldialcode.Move(px(276), px(22), px(90), px(30));
    txtbox_internationaldialcode.Locked(true);
    label(Label22, 0, 64, 420, 20, "Select your mobile phone network from the list below");
    cb_CarrierList.Move(0, px(86), px(260), px(30));
    label(Label11, 0, 120, 420, 18, "Select 'OTHER' if it is not listed or you do not know", 8, false, kGreyText);
    label(Label4, 0, 150, 300, 20, "Enter a mobile phone number ");
    meb_PhoneNumber1.Move(0, px(172), px(220), px(30));
    button(cmd_SubmitCarrier, 245, 236);
    button(click_for_support, 0, 300);
    button(cmd_Help(1), 425, 296);

    label(Label6, 24, 0, 400, 40, "Send a free test ringtone to make sure your phone can receive ringtones.");
    Image6.Move(px(4), px(4));
    Image7.Move(px(4), px(60));
    meb_PhoneNumber.Move(px(24), px(56), px(220), px(30));
    button(cmd_SendTestRingtone, 24, 110);
    button(cmd_SkipTest, 245, 236);
    button(Image16, 0, 300);
    button(cmd_Help(2), 425, 296);

    Image8(0).Move(px(0), px(218));
    button(pb_FromData, 14, 0);
    button(cmd_FromData, 14, 150);
    button(pb_FromAudioCD, 245, 0);
    button(cmd_FromAudioCD, 245, 150);
    Image13.Move(px(14), px(204));
    button(Image17, 0, 300);
    label(txt_price, 245, 304, 120, 20, "", 10, true, kOrangeText);
    button(cmd_Help(3), 425, 296);

    Image8(1).Move(px(170), px(6));
    Image2.Move(0, 0);
    lb_CDRom.Move(px(186), 0, px(120), px(30));
    Image8(2).Move(px(170), px(48));
    label(Label7, 186, 44, 60, 20, "Track");
    TrackNumber.Move(px(246), px(40), px(60), px(30));
    img_PreviewPreviousTrack.Move(px(186), px(90));
    button(cmd_PreviewPreviousTrack, 186, 90);
    img_PreviewStop.Move(px(232), px(90));
    button(cmd_PreviewStop, 232, 90);
    img_PreviewNextTrack.Move(px(278), px(90));
    button(cmd_PreviewNextTrack, 278, 90);
    button(Image20, 340, 90);
    img_SelectTrack.Move(px(186), px(150));
    button(cmd_SelectTrack, 186, 150);
    button(Image18, 0, 300);
    button(cmd_Help(31), 425, 296);

    if (AudioEditor21) AudioEditor21->Move(0, 0);
    if (AudioSliderType21) AudioSliderType21->Move(0, px(134));
    Image4.Move(px(175), px(158));
    pb_SliderButtonLabel.Move(0, px(158));
    img_Rewind.Move(0, px(180));
    button(cmd_Rewind, 0, 180);
    img_Play_AudioEditor.Move(px(44), px(180));
    button(cmd_Play_AudioEditor, 44, 180);
    img_Stop_AudioEditor.Move(px(88), px(180));
    button(cmd_Stop_AudioEditor, 88, 180);
    img_FastForward.Move(px(132), px(180));
    button(cmd_FastForward, 132, 180);
    if (AudioPlayButtonType21) AudioPlayButtonType21->Move(px(186), px(180));
    img_AudioTimeDisplay.Move(px(315), px(180));
    if (AudioTimeDisplayType11) AudioTimeDisplayType11->Move(px(315), px(180));
    img_fineTune.Move(0, px(232));
    img_Decrease_StartTime.Move(px(124), px(240));
    button(cmd_Decrease_StartTime, 124, 240);
    img_Increase_StartTime.Move(px(164), px(240));
    button(cmd_Increase_StartTime, 164, 240);
    label(lb_RingtoneLength, 228, 246, 120, 20, "Ringtone Length  ");
    txtbox_RingtoneLength.Move(px(348), px(240), px(40), px(30));
    txtbox_RingtoneLength.Locked(true);
    txtbox_RingtoneLength.Alignment(forms::vbCenter);
    txtbox_RingtoneLength.Text("28");
    img_DecreaseRingtoneDuration.Move(px(394), px(240));
    button(cmd_DecreaseRingtoneDuration, 394, 240);
    img_IncreaseRingtoneDuration.Move(px(428), px(240));
    button(cmd_IncreaseRingtoneDuration, 428, 240);
    label(txt_price2, 255, 276, 210, 16, "", 9, true, kOrangeText);
    txt_price2.Alignment(forms::vbCenter);
    img_MakeRingtone.Move(px(255), px(294));
    button(cmd_MakeRingtone, 255, 294);
    button(Image21, 0, 300);
    button(cmd_Help(4), 160, 297);

    fr_NameRingtone.Move(px(60), px(40), px(345), px(220));
    fr_NameRingtone.Visible(false);
    Image15.Move(0, 0);
    label(Label12, 20, 14, 300, 26, "Name your Ringtone", 13, true);
    txt_RingtoneName.Move(px(20), px(60), px(200), px(30));
    txt_RingtoneName.MaxLength(8);
    txt_RingtoneName.Text("TypeHere");
    txt_RingtoneName.ToolTipText("Some mobile phones will allow you to rename your ringtone once you receive it.");
    label(Label25, 20, 98, 310, 20, "Letters and numbers only - 8 characters maximum", 8, false, kGreyText);
    button(cmd_OkRingtoneName, 20, 156);
    button(cmd_RingtoneNameCancel, 180, 156);

    for (int index : fr_Main.indices()) fr_Main(index).Visible(false);
}

namespace {
// A handler ends quietly when the window was closed while it let events run.
template <class Handler> auto guarded(Handler handler) {
    return [handler](auto&&... arguments) {
        try {
            handler(std::forward<decltype(arguments)>(arguments)...);
        } catch (const MainWindowClosed&) {
        }
    };
}
}  // namespace

void frm_Main::whileOpen(const std::function<void()>& action) {
    const auto open = open_;
    try {
        action();
    } catch (...) {
        if (!*open) throw MainWindowClosed();
        throw;
    }
    if (!*open) throw MainWindowClosed();
}

void frm_Main::letEventsRun() { whileOpen([] { forms::DoEvents(); }); }

void frm_Main::tell(const std::string& text, const std::string& title) {
    whileOpen([&] { ShowMessage(text, title); });
}

void frm_Main::track(int step) {
    g_TrackingStep = static_cast<std::int16_t>(step);
    whileOpen([] { PostTracking(); });
}

void frm_Main::wireEvents() {
    cmd_Prev.Click = guarded([this] { cmd_Prev_Click(); });
    mnu_ExitMenu.Click = guarded([this] { mnu_ExitMenu_Click(); });
    mnu_HelpMenu.Click = guarded([this] { mnu_HelpMenu_Click(); });

    cb_CountryList.Click = guarded([this] { cb_CountryList_Click(); });
    cb_CarrierList.Click = guarded([this] { cb_CarrierList_Click(); });
    meb_PhoneNumber1.GotFocus = guarded([this] { meb_PhoneNumber1_GotFocus(); });
    meb_PhoneNumber1.KeyPress = guarded([this](int& key) { meb_PhoneNumber1_KeyPress(key); });
    meb_PhoneNumber1.LostFocus = guarded([this] { meb_PhoneNumber1_LostFocus(); });
    cmd_SubmitCarrier.Click = guarded([this] { cmd_SubmitCarrier_Click(); });

    pb_FromData.Click = guarded([this] {
        pb_FromData.Enabled(false);
        ChooseAudioFile();
    });
    cmd_FromData.Click = guarded([this] {
        cmd_FromData.Enabled(true);
        ChooseAudioFile();
    });
    fr_Main(3).DragDrop = guarded([this](const std::string&, float, float) { ChooseAudioFile(); });

    pb_FromAudioCD.Click = guarded([this] { pb_FromAudioCD_Click(); });
    cmd_FromAudioCD.Click = guarded([this] { cmd_FromAudioCD_Click(); });
    cmd_PreviewNextTrack.Click = guarded([this] { cmd_PreviewNextTrack_Click(); });
    cmd_PreviewPreviousTrack.Click = guarded([this] { cmd_PreviewPreviousTrack_Click(); });
    cmd_PreviewStop.Click = guarded([this] { cmd_PreviewStop_Click(); });
    Image20.Click = guarded([this] { Image20_Click(); });
    cmd_SelectTrack.Click = guarded([this] { cmd_SelectTrack_Click(); });

    cmd_Play_AudioEditor.Click = guarded([this] { cmd_Play_AudioEditor_Click(); });
    cmd_Stop_AudioEditor.Click = guarded([this] { cmd_Stop_AudioEditor_Click(); });
    cmd_Rewind.MouseDown = guarded([this](int, int, float, float) { cmd_Rewind_MouseDown(); });
    cmd_Rewind.MouseUp = guarded([this](int, int, float, float) { cmd_Rewind_MouseUp(); });
    cmd_FastForward.MouseDown = guarded([this](int, int, float, float) { cmd_FastForward_MouseDown(); });
    cmd_FastForward.MouseUp = guarded([this](int, int, float, float) { cmd_FastForward_MouseUp(); });
    Timer1.Tick = guarded([this] { Timer1_Timer(); });
    Timer2.Tick = guarded([this] { Timer2_Timer(); });
    Timer3.Tick = guarded([this] { Timer3_Timer(); });
    if (AudioEditor21) {
        AudioEditor21->connectEvents(hosted::DIID__IAudioEditor2Events);
        AudioEditor21->Event = guarded([this](DISPID id, DISPPARAMS*) {
            if (id == hosted::kPlaybackEndedEvent) AudioEditor21_PlaybackEnded();
        });
    }
    if (AudioSliderType21) {
        AudioSliderType21->connectEvents(hosted::DIID__IAudioSliderType2Events);
        AudioSliderType21->Event = guarded([this](DISPID id, DISPPARAMS*) {
            if (id == hosted::kSliderValueChangeEvent) AudioSliderType21_ValueChange();
        });
    }

    // A release over the inactive twin, which took the button's place while it was held, lets
    // go as well.
    auto hold = [this](forms::Image& button, forms::Image& inactive, bool& flag) {
        button.MouseDown = [this, &flag](int, int, float, float) { holdFineTune(flag); };
        button.MouseUp = [&flag](int, int, float, float) { flag = false; };
        inactive.MouseUp = [&flag](int, int, float, float) { flag = false; };
    };
    hold(cmd_Increase_StartTime, img_Increase_StartTime, g_IncreaseStartHeld);
    hold(cmd_Decrease_StartTime, img_Decrease_StartTime, g_DecreaseStartHeld);
    hold(cmd_IncreaseRingtoneDuration, img_IncreaseRingtoneDuration, g_IncreaseLengthHeld);
    hold(cmd_DecreaseRingtoneDuration, img_DecreaseRingtoneDuration, g_DecreaseLengthHeld);

    cmd_MakeRingtone.Click = guarded([this] { cmd_MakeRingtone_Click(); });
    txt_RingtoneName.GotFocus = guarded([this] { txt_RingtoneName_GotFocus(); });
    txt_RingtoneName.KeyPress = guarded([this](int& key) { txt_RingtoneName_KeyPress(key); });
    cmd_RingtoneNameCancel.Click = guarded([this] { cmd_RingtoneNameCancel_Click(); });
    cmd_OkRingtoneName.Click = guarded([this] { cmd_OkRingtoneName_Click(); });

    cmd_Help.Click = guarded([this](int index) { cmd_Help_Click(index); });
    for (forms::Image* support : {&click_for_support, &Image16, &Image17, &Image18, &Image21})
        support->Click = [this] { OpenSupportPage(); };
    Image28.Click = guarded([this] { Image28_Click(); });
}

// Every picture of the skin, in one fixed sequence.
void frm_Main::LoadSkin() {
    const std::string images = ProgramFolder() + "/images/";
    auto load = [&](forms::Image& image, const char* file) {
        try {
            image.Picture(images + file);
        } catch (const forms::Error& error) {
            throw forms::Error(error.Number(), error.Description() + ": images/" + file);
        }
    };

    load(general_logo, "general_logo.bmp");
    load(general_bullet1, "general_bullet.bmp");
    load(general_bullet2, "general_bullet.bmp");
    load(Image11, "general_bullet.bmp");
    load(click_for_support, "click_for_support.bmp");
    load(cmd_SubmitCarrier, "Step_1_button_click_to_continue.bmp");
    load(cmd_Help(1), "help_02.bmp");
    load(Image28, "currency.bmp");

    load(cmd_SendTestRingtone, "send_test_button_step_2.bmp");
    load(cmd_SkipTest, "Step_1_button_click_to_continue.bmp");
    load(Image16, "click_for_support.bmp");
    load(Image6, "general_bullet.bmp");
    load(Image7, "general_bullet.bmp");
    load(cmd_Help(2), "help_02.bmp");
    load(cmd_Prev, "back_to_1.bmp");

    load(Image8(0), "general_bullet.bmp");
    load(pb_FromAudioCD, "Step_3_audio_disc.bmp");
    load(cmd_FromAudioCD, "select_audio_cd_button_step_3.bmp");
    load(pb_FromData, "Step_3_audio_files.bmp");
    load(cmd_FromData, "select_audio_file_button_step_3.bmp");
    load(Image13, "file_formats_step_3.bmp");
    load(Image17, "click_for_support.bmp");
    load(cmd_Help(3), "help_02.bmp");
    load(cmd_Prev, "back_to_2.bmp");

    load(Image8(1), "general_bullet.bmp");
    load(Image8(2), "general_bullet.bmp");
    load(Image2, "Step_3_audio_disc.bmp");
    load(img_PreviewPreviousTrack, "left_OFF.bmp");
    load(cmd_PreviewPreviousTrack, "left.bmp");
    load(img_PreviewNextTrack, "right_OFF.bmp");
    load(cmd_PreviewNextTrack, "right.bmp");
    load(img_PreviewStop, "stop_deactive.bmp");
    load(cmd_PreviewStop, "stop_active.bmp");
    load(img_SelectTrack, "select_this_track_button_step_3-1_OFF.bmp");
    load(cmd_SelectTrack, "select_this_track_button_step_3-1.bmp");
    load(Image20, "eject_button_on.bmp");
    load(Image18, "click_for_support.bmp");
    load(cmd_Help(31), "help_02.bmp");
    load(cmd_Prev, "back_to_3.bmp");

    load(cmd_Play_AudioEditor, "play_on.bmp");
    load(img_Play_AudioEditor, "play_off.bmp");
    load(cmd_Stop_AudioEditor, "stop_on.bmp");
    load(img_Stop_AudioEditor, "stop_off.bmp");
    load(cmd_Rewind, "rewind_on.bmp");
    load(img_Rewind, "rewind_off.bmp");
    load(cmd_FastForward, "fast_forward_on.bmp");
    load(img_FastForward, "fast_forward_off.bmp");
    load(cmd_Decrease_StartTime, "fine_tune_minus_on.bmp");
    load(img_Decrease_StartTime, "fine_tune_minus_off.bmp");
    load(cmd_Increase_StartTime, "fine_tune_plus_on.bmp");
    load(img_Increase_StartTime, "fine_tune_plus_off.bmp");
    load(cmd_DecreaseRingtoneDuration, "down_on.bmp");
    load(img_DecreaseRingtoneDuration, "down_off.bmp");
    load(cmd_IncreaseRingtoneDuration, "up_on.bmp");
    load(img_IncreaseRingtoneDuration, "up_off.bmp");
    load(img_MakeRingtone, "make_ringtone_button_off_step_4.bmp");
    load(cmd_MakeRingtone, "make_ringtone_button_on_step_4.bmp");
    load(Image4, "slider_bar_text.bmp");
    load(Image21, "click_for_support.bmp");
    load(cmd_Help(4), "help_02.bmp");
    load(img_fineTune, "fine_tune.bmp");
    load(cmd_Prev, "back_to_3.bmp");
    load(cmd_OkRingtoneName, "name_ringtone_ok_button.bmp");
    load(cmd_RingtoneNameCancel, "name_ringtone_cancel_button.bmp");
    load(Image15, "Name_Ringtone_pop_up_background2.bmp");
    load(cmd_Prev, "back_to_4.bmp");

    load(img_AudioTimeDisplay, "time_display_off.bmp");
    load(pb_SliderButtonLabel, "slider_hint.bmp");
}

void frm_Main::Form_Load() {
    g_MainWindow = this;
    // A skin picture that is missing or unreadable is named, and the window is not set up: its
    // opener then ends the program instead of showing it.
    try {
        LoadSkin();
    } catch (const forms::Error& error) {
        forms::MsgBox(error.Description(), forms::vbCritical, "Loading Program");
        forms::Err().Clear();
        return;
    }
    skinLoaded_ = true;
    Caption(MainWindowCaption(forms::App().Major, forms::App().Minor, forms::App().Revision));

    g_AllowAutoPlay = 0;
    HookAutoPlay(*this);

    forms::Err().Clear();
    g_HelpStep = 1;

    const std::string price = std::string("$") + "1.99" + " USD";
    txt_price.Caption(price);
    txt_price2.Caption(price);

    g_FastForwardHeld = false;
    g_RewindHeld = false;
    g_Looping = false;
    g_PhoneEntryOpen = true;
    m_PhoneNumberStatus = 10;

    try {
        ReadCountryList(ProgramFolder() + "/" + kCountryFileName);
        ReadCarrierList(ProgramFolder() + "/" + kCarrierFileName);

        m_FrameNumber = 1;
        if (!SetFrame(1)) return;
        ListBoxModel countries, carriers;
        FillCountryList(countries, carriers);
        FillCarrierList(carriers);
        fill(cb_CountryList, countries);
        fill(cb_CarrierList, carriers);

        countrySelect_ = g_CountryName;
        MainWindowProperties().prp_CarrierSelect = g_CarrierName;
        MainWindowProperties().prp_PhoneNumber = g_PhoneNumberText;

        // A restored country offers its carriers, as if chosen, so that the profile's carrier can be
        // selected among them; the placeholders are put in place without a choice being made.
        auto indexOf = [](forms::ComboBox& list, const std::string& text) {
            for (int i = 0; i < list.ListCount(); ++i)
                if (list.List(i) == text) return i;
            return -1;
        };
        auto selectQuietly = [](forms::ComboBox& list, int index) {
            auto click = std::move(list.Click);
            list.ListIndex(index);
            list.Click = std::move(click);
        };
        // A profile without a country, or with one the list does not hold, leaves nothing chosen, so
        // that the user's first choice offers its carriers.
        if (g_CountryName == kChooseCountry) {
            if (cb_CountryList.ListCount() > 0) selectQuietly(cb_CountryList, 0);
        } else if (const int country = indexOf(cb_CountryList, g_CountryName); country >= 0) {
            cb_CountryList.ListIndex(country);
        } else {
            selectQuietly(cb_CountryList, -1);
        }
        const int carrier = g_CarrierName == kChooseCarrier ? 0 : indexOf(cb_CarrierList, g_CarrierName);
        if (carrier >= 0 && carrier < cb_CarrierList.ListCount()) selectQuietly(cb_CarrierList, carrier);
        meb_PhoneNumber1.Text(g_PhoneNumberText);
    } catch (const forms::Error& error) {
        ShowMessage("Error " + std::to_string(error.Number()) + " (" + error.Description() + ")", "Loading Program");
    } catch (const MainWindowClosed&) {
    }
}

void frm_Main::Form_Unload(int&) {
    // The user has chosen to end: a handler still waiting on events does nothing more.
    *open_ = false;
    if (!skinLoaded_) {
        if (g_MainWindow == this) g_MainWindow = nullptr;
        UnloadAllForms();
        return;
    }
    try {
        editorCall("Stop");
        editorCall("CloseFile");
    } catch (const forms::Error&) {
        forms::Err().Clear();
    }
    if (MMControl1.Mode() == forms::mciModePlaying) previewCommand("Stop");
    previewCommand("Close");
    UnhookAutoPlay(*this);
    DeleteFileToRecycleBin(ProgramFolder() + "/" + kCountryFileName);
    DeleteFileToRecycleBin(ProgramFolder() + "/" + kCarrierFileName);
    if (!prp_FileName().empty()) DeleteFileToRecycleBin(ProgramFolder() + "/" + prp_FileName());
    WriteUserProfile();
    if (g_MainWindow == this) g_MainWindow = nullptr;
    UnloadAllForms();
}

void frm_Main::mnu_ExitMenu_Click() { Unload(); }

void frm_Main::mnu_HelpMenu_Click() { forms::Default<frmAbout>().Show(1); }

// Properties.

std::string frm_Main::prp_CarrierSelect() const { return MainWindowProperties().prp_CarrierSelect; }

void frm_Main::prp_CarrierSelect(const std::string& value) {
    if (!value.empty()) MainWindowProperties().prp_CarrierSelect = value;
}

void frm_Main::prp_CountrySelect(const std::string& value) {
    if (!value.empty()) countrySelect_ = value;
}

std::string frm_Main::prp_PhoneNumber() const { return MainWindowProperties().prp_PhoneNumber; }

void frm_Main::prp_PhoneNumber(const std::string& value) {
    m_PhoneNumberStatus = 10;
    if (value.size() <= 20) {
        MainWindowProperties().prp_PhoneNumber = value;
        m_PhoneNumberStatus = 0;
    } else {
        meb_PhoneNumber1.Text("");
        m_PhoneNumberStatus = 4;
    }
}

void frm_Main::prp_FileName(const std::string& value) {
    if (!value.empty() && value.size() < 43) {
        fileName_ = value;
    } else {
        fileName_.clear();
        txt_RingtoneName.Text("");
    }
}

// Navigation.

bool frm_Main::SetFrame(int n) {
    int sub = 0, major = n;
    if (n > 9) {
        sub = n % 10;
        major = (n - sub) / 10;
    }
    try {
        cmd_Prev.Visible(false);
        for (int index = 1; index <= 5; ++index)
            if (fr_Main.exists(index)) fr_Main(index).Visible(false);
        fr_Main(31).Visible(false);
    } catch (const forms::Error& error) {
        tell("Error located in " + error.Description(), "Initialize Frame");
        return false;
    }
    if (major > 5) major = 5;

    // From here a property that cannot be set is passed over.
    auto attempt = [](const std::function<void()>& set) {
        try {
            set();
        } catch (const forms::Error&) {
            forms::Err().Clear();
        }
    };
    const std::string images = ProgramFolder() + "/images/";
    auto picture = [&](forms::Image& image, const char* file) { attempt([&] { image.Picture(images + file); }); };
    auto texts = [&](const char* l5, const char* l14, const char* l15, const char* l17) {
        Label5.Caption(l5);
        Label14.Caption(l14);
        Label15.Caption(l15);
        Label17.Caption(l17);
    };

    attempt([&] { pb_menu(1).Picture(images + "tree.bmp"); });
    switch (major) {
    case 1:
        attempt([&] { pb_Series(1).Picture(images + "title_1.bmp"); });
        Label16.Caption("Enter Your Mobile Phone Information");
        texts("No Contracts", "No Commitments", "Only 3 Easy Steps", "$1.99 USD");
        Label21.Caption("per ringtone");
        break;
    case 3:
        attempt([&] { pb_Series(1).Picture(images + "title_2.bmp"); });
        if (sub != 1) Label16.Caption("Select Audio Source");
        texts("Get Creative!", "Use Any Sound", "Or Music", "Only $1.99 USD");
        picture(Image27, "step2_left_text.bmp");
        picture(cmd_Prev, "back_to_1.bmp");
        cmd_Prev.Visible(true);
        break;
    case 4:
        attempt([&] { pb_Series(1).Picture(images + "title_3.bmp"); });
        Label16.Caption("Edit Audio And Make Your Ringtone");
        texts("Select Any Section", "Of This File", "As Your Ringtone", "Only $1.99 USD");
        picture(Image27, "step3_left_text.bmp");
        picture(cmd_Prev, "back_to_2.bmp");
        cmd_Prev.Visible(true);
        break;
    default:
        break;
    }
    if (sub == 1) {
        picture(cmd_Prev, "back_to_2.bmp");
        attempt([&] { pb_Series(1).Picture(images + "title_bar_step_31.bmp"); });
        attempt([&] { MMControl1.Command("Close"); });
    }
    attempt([&] {
        forms::Frame& frame = fr_Main(n);
        frame.Move(3000, 2055, 6975, 5055);
        frame.Visible(true);
    });
    return true;
}

bool frm_Main::SetFrameChecked(int stepNumber, const std::string& where) {
    bool laidOut = SetFrame(stepNumber);
    if (!laidOut) tell("Error located in " + where, "Set Frame");
    return laidOut;
}

void frm_Main::sb__NextFrame() {
    try {
        if (m_FrameNumber + 1 >= 6) m_FrameNumber = 4;
        if (SetFrame(m_FrameNumber + 1)) m_FrameNumber = m_FrameNumber + 1;
    } catch (const forms::Error& error) {
        ShowMessage("Error " + std::to_string(error.Number()) + " (" + error.Description() + ")", "Go Next");
    }
}

void frm_Main::cmd_Prev_Click() {
    int read = m_FrameNumber;
    try {
        if (m_FrameNumber == 3) m_FrameNumber = 2;
        read = m_FrameNumber;
        int n = m_FrameNumber;
        if (SetFrame(n - 1) && n != 2) m_FrameNumber = n - 1;
        read = m_FrameNumber;
        if (m_FrameNumber == 4) m_FrameNumber = 1;
        read = m_FrameNumber;
        switch (m_FrameNumber) {
        case 1:
            Label5.Caption("No Contracts");
            Label14.Caption("No Commitments");
            Label15.Caption("Only 3 Easy Steps");
            Label17.Caption("$1.99 USD");
            Label21.Caption("per ringtone");
            Image28.Visible(true);
            Image27.Visible(false);
            break;
        case 2:
            g_PhoneEntryOpen = true;
            break;
        case 3:
            MMControl1.Wait(true);
            previewCommand("Stop");
            MMControl1.Wait(true);
            previewCommand("Close");
            editorCall("Stop");
            editorCall("CloseFile");
            g_Looping = false;
            timeDisplayVisible(false);
            ResetEditingControls();
            sliderPut("Enabled", 1);
            cmd_Prev.Visible(true);
            Image27.Picture(ProgramFolder() + "/images/step2_left_text.bmp");
            break;
        default:
            break;
        }
    } catch (const forms::Error& error) {
        ShowMessage("Error " + std::to_string(read) + std::to_string(error.Number()) + " (" + error.Description() + ")",
                    "Previous");
    }
}
