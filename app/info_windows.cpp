#include "info_windows.h"

#include "main_window.h"
#include "program_env.h"
#include "program_values.h"
#include "shell/shell.h"

namespace {
constexpr long px(int pixels) { return forms::toTwips(pixels); }
constexpr long kCream = 0xEEF4F7;
constexpr long kNavyText = 0x442A1E;

std::string image(const char* file) { return ProgramFolder() + "/images/" + file; }
}  // namespace

Step_Help::Step_Help()
    : forms::Form("Step_Help"), Picture2(*this, "Picture2"), Continue(*this, "Continue"), Image11(*this, "Image11") {
    Caption(kApplicationTitle);
    Move(0, 0, px(420), px(330));
    BackColor(kCream);
    Picture2.Move(px(20), px(48));
    Continue.Move(px(290), px(286));
    Image11.Move(px(20), px(290));
    Continue.MousePointer(forms::vbCustom);
    Image11.MousePointer(forms::vbCustom);
    Continue.Click = [this] {
        try {
            Continue_Click();
        } catch (const MainWindowClosed&) {
        }
    };
    Image11.Click = [] { OpenSupportPage(); };
}

void Step_Help::Form_Load() {
    // The message background is drawn for a window of 210 pixels: its footer band would cross
    // this window's middle, so the window has the same look drawn at its own height.
    Picture(image("help_background.bmp"));
    Continue.Picture(image("button_continue.bmp"));
    Image11.Picture(image("click_for_support.bmp"));
    struct Page {
        int step;
        const char* title;
        const char* picture;
    };
    static constexpr Page pages[] = {
        {1, "Select Carrier and Phone Model", "help_step1.bmp"},
        {2, "Test Phone and Phone Number", "help_step2_r2.bmp"},
        {3, "Select Your Audio Source", "help_step3_r4.bmp"},
        {4, "Edit Your Audio and Make Ringtone", "help_step4_r3.bmp"},
        {5, "Send Ringtone to Your Phone", "help_step5_r2.bmp"},
        {31, "Select Your Audio Source", "help_step3_r4.bmp"},
    };
    for (const Page& page : pages) {
        if (page.step != g_HelpStep) continue;
        if (page.step == 4)
            if (frm_Main* main = FindMainWindow()) main->cmd_Stop_AudioEditor_Click();
        Caption(page.title);
        Picture2.Picture(image(page.picture));
    }
}

void Step_Help::Continue_Click() {
    frm_Main* main = FindMainWindow();
    if (main && main->m_FrameNumber == 4) {
        if (!main->fr_NameRingtone.Visible())
            main->cmd_Play_AudioEditor_Click();
        else
            main->DisableEditingControls();
    }
    Unload();
}

frmAbout::frmAbout() : forms::Form("frmAbout"), cmdOK(*this, "cmdOK") {
    Move(0, 0, px(420), px(260));
    cmdOK.Move(px(300), px(214));
    cmdOK.MousePointer(forms::vbCustom);
    cmdOK.Click = [this] { Unload(); };
}

void frmAbout::Form_Load() {
    Caption("About " + forms::App().Title);
    Picture(image("About Splash.bmp"));
    cmdOK.Picture(image("About Splash OK button.bmp"));
}

InternetConnection::InternetConnection()
    : forms::Form("InternetConnection"),
      lbResult(*this, "lbResult"),
      OkInternet(*this, "OkInternet"),
      cmd_cancel(*this, "cmd_cancel") {
    Caption(kApplicationTitle);
    Move(0, 0, px(420), px(210));
    lbResult.Move(px(24), px(54), px(372), px(94));
    lbResult.ForeColor(kNavyText);
    lbResult.FontSize(10);
    OkInternet.Move(px(160), px(168));
    cmd_cancel.Move(px(389), px(7));
    OkInternet.MousePointer(forms::vbCustom);
    cmd_cancel.MousePointer(forms::vbCustom);
    OkInternet.Click = [this] {
        okPressed = true;
        cancelPressed = false;
        Hide();
    };
    cmd_cancel.Click = [this] {
        cancelPressed = true;
        okPressed = false;
        Hide();
    };
}

void InternetConnection::Form_Load() {
    Picture(image("popup_background2.bmp"));
    cmd_cancel.Picture(image("button_close.bmp"));
    OkInternet.Picture(image("ok_button.bmp"));
}

// Closed by the window manager, the dialog answers as its close button does; the last notice,
// which has only OK, answers OK.
void InternetConnection::Form_QueryUnload(int& Cancel, int UnloadMode) {
    if (UnloadMode != forms::vbFormControlMenu) return;
    Cancel = 1;
    (cmd_cancel.Visible() ? cmd_cancel : OkInternet).Click();
}

void InternetConnection::Form_Activate() {
    okPressed = false;
    cancelPressed = false;
}

BrowserWindow::BrowserWindow(const char* name, const char* caption)
    : forms::Form(name), WebBrowser1(*this, "WebBrowser1") {
    Caption(caption);
    Move(0, 0, px(640), px(480));
    WebBrowser1.Move(0, 0, px(640), px(480));
}

std::string SupportCommandLine() { return "Explorer.exe http://" + ServiceHost() + "/support"; }

void OpenSupportPage() { WinExec(SupportCommandLine().c_str(), 3); }
