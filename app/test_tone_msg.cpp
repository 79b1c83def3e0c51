#include "test_tone_msg.h"

#include "editing_values.h"
#include "main_window.h"
#include "program_env.h"

namespace {
constexpr long px(int pixels) { return forms::toTwips(pixels); }
constexpr long kNavyText = 0x442A1E;
}  // namespace

TestToneMsg::TestToneMsg()
    : forms::Form("TestToneMsg"),
      Image2(*this, "Image2"),
      img_Error(*this, "img_Error"),
      lb_Custom(*this, "lb_Custom"),
      Image1(*this, "Image1"),
      OKButton(*this, "OKButton") {
    Caption(kApplicationTitle);
    Move(0, 0, px(420), px(210));
    Image2.Move(0, 0);
    img_Error.Move(px(20), px(58));
    img_Error.Picture(ProgramFolder() + "/images/message_error.png");
    lb_Custom.Move(px(84), px(54), px(318), px(94));
    lb_Custom.ForeColor(kNavyText);
    lb_Custom.FontSize(10);
    lb_Custom.Caption("Message");
    Image1.Move(px(389), px(7));
    OKButton.Move(px(160), px(168));
    Image1.MousePointer(forms::vbCustom);
    OKButton.MousePointer(forms::vbCustom);
    OKButton.Click = [this] { OKButton_Click(); };
    Image1.Click = [this] {
        try {
            Image1_Click();
        } catch (const MainWindowClosed&) {
        }
    };
}

void TestToneMsg::Form_Load() {
    const std::string images = ProgramFolder() + "/images/";
    Image2.Picture(images + "popup_background2.bmp");
    Image1.Picture(images + "button_close.bmp");
    OKButton.Picture(images + "ok_button.bmp");
    for (int i = 0; i < 3; ++i) forms::Beep();
}

// Closed by the window manager, the message answers as its close button does, as a message
// box answers with its Cancel.
void TestToneMsg::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode != forms::vbFormControlMenu) return;
    Cancel = 1;
    Image1.Click();
}

void TestToneMsg::OKButton_Click() {
    img_Error.Visible(true);
    Hide();
    Unload();
}

// Closing a message may also answer the question it asked: on the CD step the wizard returns to
// the audio source, and after the short-clip notice the clip is used without looping.
void TestToneMsg::Image1_Click() {
    frm_Main* main = FindMainWindow();
    if (g_CdEjecting) {
        Unload();
        if (main) {
            main->SetFrameChecked(3, "Find File");
            main->m_FrameNumber = main->m_FrameNumber - 1;
        }
    } else if (g_Looping) {
        if (main) main->txtbox_RingtoneLength.Text(std::to_string(g_ClipLengthMs / 1000));
        g_Looping = false;
        if (main) main->ApplyWholeClipSelection();
        Unload();
    } else {
        Unload();
    }
}

void ShowMessageWindow(const std::string& text, const std::string& title) {
    auto& window = forms::Default<TestToneMsg>();
    window.Caption(title);
    window.lb_Custom.Caption(text);
    if (window.Caption() == "Looping File") window.img_Error.Visible(false);
    window.Show(1);
}

void ShowOfflineNotice(const std::string& text) {
    auto* window = new TestToneMsg();
    window->lb_Custom.Caption(text);
    window->Show(1);
    window->Unload();
    delete window;
}
