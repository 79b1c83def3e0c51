// The help buttons and the currency link of the wizard's steps.

#include "info_windows.h"
#include "main_window.h"
#include "program_values.h"

void frm_Main::cmd_Help_Click(int Index) {
    g_HelpStep = static_cast<std::int16_t>(Index);
    forms::Default<Step_Help>().Show(1);
}

void frm_Main::Image28_Click() {
    auto& currency = forms::Default<frm_currency_stub>();
    currency.StartUpPosition(0);
    currency.Move(0, 0, 6250, 4250);
    currency.WebBrowser1.Move(0, 0, 6250, 4250);
    currency.WebBrowser1.Navigate(g_CurrencyPageUrl);
    currency.Show(1);
}
