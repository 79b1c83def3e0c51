// Naming the ringtone, saving it, and ordering it from the service.

#include <cstdio>

#include "editing_values.h"
#include "info_windows.h"
#include "late_bound.h"
#include "main_window.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "service_requests.h"
#include "service_window.h"
#include "shared_procedures.h"
#include "user_profile.h"

std::string MakeTimeStamp(const forms::DateTime& now) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", now.month % 100, now.day % 100, now.year % 100,
                  now.hour % 100, now.minute % 100, now.second % 100);
    return stamp;
}

std::string MakeTimeStamp() { return MakeTimeStamp(forms::Now()); }

// The values are percent-encoded, so that a carrier name with blanks or "&" cannot break the query.
std::string BillingPageAddress(const std::string& phone, const std::string& carrier, const std::string& fileName) {
    return g_BillingPageUrl + "mobile=" + PercentEncode(phone) + "&network=" + PercentEncode(carrier) +
           "&filename=" + PercentEncode(fileName) + "&partnerid=" + PercentEncode(g_PartnerID) +
           "&country=" + std::to_string(g_CountryCode);
}

void frm_Main::cmd_MakeRingtone_Click() {
    track(400);
    editorCall("Stop");
    DisableEditingControls();
    cmd_MakeRingtone.Visible(false);
    img_MakeRingtone.Visible(true);
    ShowNamingPanel(true);
    txt_RingtoneName.Enabled(true);
    txt_RingtoneName.SetFocus();
    cmd_Prev.Visible(false);
}

// The hosted controls draw over whatever lies on them, so they give way to the panel.
void frm_Main::ShowNamingPanel(bool shown) {
    fr_NameRingtone.Visible(shown);
    for (auto* control : {&AudioEditor21, &AudioSliderType21, &AudioPlayButtonType21})
        if (*control) (*control)->Visible(!shown);
}

void frm_Main::txt_RingtoneName_GotFocus() {
    txt_RingtoneName.SelStart(0);
    txt_RingtoneName.SelLength(static_cast<int>(txt_RingtoneName.Text().size()));
}

void frm_Main::txt_RingtoneName_KeyPress(int& KeyAscii) {
    const bool digit = KeyAscii >= '0' && KeyAscii <= '9';
    const bool letter = (KeyAscii >= 'A' && KeyAscii <= 'Z') || (KeyAscii >= 'a' && KeyAscii <= 'z');
    if (digit || letter || KeyAscii == forms::vbKeyBack) return;
    if (KeyAscii == forms::vbKeyEscape) {
        txt_RingtoneName.Text("");
        return;
    }
    KeyAscii = 0;
    forms::Beep();
    forms::Beep();
}

void frm_Main::cmd_RingtoneNameCancel_Click() {
    cmd_Prev.Visible(true);
    ShowNamingPanel(false);
    cmd_Play_AudioEditor_Click();
    lb_RingtoneLength.Visible(true);
    img_fineTune.Visible(true);
    sliderPut("Enabled", 1);
}

void frm_Main::EndProgram() {
    UnloadAllForms();
    Unload();
}

// True once the connection is back; false when the program is ending.
bool frm_Main::WaitForConnection() {
    auto dialog = std::make_unique<InternetConnection>();
    dialog->Load();
    dialog->lbResult.Caption(std::string("Re-establish Internet Connection and then press <OK>") + '\r' +
                             " Press <Cancel> To Exit Program ");
    for (int retries = 0;; ++retries) {
        if (retries == 3) {
            dialog->lbResult.Caption(std::string("It seems that you are having trouble connecting to the ") +
                                     "internet.  Tavimo will now shutdown.  " + '\r' +
                                     "No paypal transaction has occurred.");
            dialog->cmd_cancel.Visible(false);
            whileOpen([&] { dialog->Show(1); });
            dialog->Unload();
            EndProgram();
            return false;
        }
        whileOpen([&] { dialog->Show(1); });
        if (dialog->cancelPressed) {
            dialog->Unload();
            EndProgram();
            return false;
        }
        if (IsInternetConnected()) {
            dialog->Unload();
            return true;
        }
    }
}

void frm_Main::cmd_OkRingtoneName_Click() {
    cmd_OkRingtoneName.MousePointer(forms::vbHourglass);
    try {
        prp_FileName(txt_RingtoneName.Text());
        editorCall("Stop");
        if (prp_FileName().empty()) {
            tell("Maximum length is 8 characters.  Only letters and numbers can be used.", "Name Ringtone");
            cmd_OkRingtoneName.MousePointer(forms::vbCustom);
            return;
        }
        ShowNamingPanel(false);
        const std::string stamp = MakeTimeStamp();
        prp_FileName(txt_RingtoneName.Text() + prp_PhoneNumber() + stamp + ".mp3");
        MousePointer(forms::vbHourglass);
        setSaveFormat();
        late_bound::Call(editor(), "SaveFile",
                         {com::Variant::text(ProgramFolder() + "/" + prp_FileName()), com::Variant::boolean(true)});
        MousePointer(forms::vbArrow);
    } catch (const forms::Error& error) {
        MousePointer(forms::vbDefault);
        whileOpen([&] { forms::MsgBox(error.Description(), forms::vbOKOnly, forms::App().Title); });
        forms::Err().Clear();
        cmd_OkRingtoneName.MousePointer(forms::vbCustom);
        return;
    }

    // From here a failing step is passed over and the next one runs; a step that lets events
    // run ends the order when the user closed the window meanwhile.
    auto attempt = [this](const std::function<void()>& step) {
        try {
            whileOpen(step);
        } catch (const forms::Error&) {
            forms::Err().Clear();
        }
    };
    if (!IsInternetConnected() && !WaitForConnection()) return;
    attempt([this] { track(410); });
    attempt([&] { PostToPartner(prp_FileName(), prp_FileName()); });
    UploadResult uploaded = UploadResult::Failed;
    attempt([&] { uploaded = DefaultServiceWindow().Upload_RingtoneFile(prp_FileName(), prp_FileName()); });
    attempt([] { WriteUserProfile(); });
    if (uploaded != UploadResult::Sent) {
        // The service has not got the ringtone, so nothing is billed; the user was told why and
        // is back at the editing step with the selection, to try again.
        attempt([&] { DeleteFileToRecycleBin(ProgramFolder() + "/" + prp_FileName()); });
        attempt([&] { MousePointer(forms::vbDefault); });
        attempt([&] { cmd_RingtoneNameCancel_Click(); });
        cmd_OkRingtoneName.MousePointer(forms::vbCustom);
        return;
    }
    attempt([&] { PostToHome(prp_FileName(), prp_FileName()); });
    attempt([&] {
        auto& billing = forms::Default<frm_billing_stub>();
        billing.WebBrowser1.Navigate(BillingPageAddress(prp_PhoneNumber(), prp_CarrierSelect(), prp_FileName()));
        billing.Show(1);
    });
    attempt([&] { g_PhoneNumberText = meb_PhoneNumber1.Text(); });
    attempt([&] { DeleteFileToRecycleBin(ProgramFolder() + "/" + prp_FileName()); });
    attempt([&] {
        SetFrameChecked(3, "Find File");
        m_FrameNumber = m_FrameNumber - 1;
    });
    attempt([&] { MousePointer(forms::vbDefault); });
    attempt([&] { editorCall("CloseFile"); });
    attempt([&] { txt_RingtoneName.Text("NameTone"); });
    cmd_OkRingtoneName.MousePointer(forms::vbCustom);
}
