#pragma once
// The small windows around the main window: the step help, the About window, the connection
// retry dialog, and the billing and currency windows with their browser.

#include "forms/forms.h"

class Step_Help : public forms::Form {
public:
    Step_Help();
    forms::Image Picture2;
    forms::Image Continue;
    forms::Image Image11;

protected:
    void Form_Load() override;

private:
    void Continue_Click();
};

class frmAbout : public forms::Form {
public:
    frmAbout();
    forms::Image cmdOK;

protected:
    void Form_Load() override;
};

class InternetConnection : public forms::Form {
public:
    InternetConnection();
    forms::Label lbResult;
    forms::Image OkInternet;
    forms::Image cmd_cancel;
    bool okPressed = false;
    bool cancelPressed = false;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
};

// A window holding one browser; the ordering and the currency link show it modally.
class BrowserWindow : public forms::Form {
public:
    BrowserWindow(const char* name, const char* caption);
    forms::WebBrowser WebBrowser1;
};

struct frm_billing_stub : BrowserWindow {
    frm_billing_stub() : BrowserWindow("frm_billing_stub", "Tavimo Billing Option") {}
};

struct frm_currency_stub : BrowserWindow {
    frm_currency_stub() : BrowserWindow("frm_currency_stub", "Tavimo Currency Converter") {}
};

// Opens the service's support page in the shell; the program does not wait for it.
void OpenSupportPage();
// The shell command that opens the support page.
std::string SupportCommandLine();
