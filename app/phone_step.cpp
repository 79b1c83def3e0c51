// The phone details step: country, carrier and phone number.

#include "main_window.h"
#include "program_values.h"

namespace {
bool upperEqual(const std::string& a, const std::string& b) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

void swallowWithBeeps(int& KeyAscii) {
    KeyAscii = 0;
    forms::Beep();
    forms::Beep();
}
}  // namespace

void frm_Main::cb_CountryList_Click() {
    const std::string country = cb_CountryList.Text();
    prp_CountrySelect(country);
    g_CountryName = country;

    std::size_t index = 0;
    while (index < 1000 && g_CountryTable[index].name != country) ++index;
    g_CountryCode = g_CountryTable[index].code;
    txtbox_internationaldialcode.Text(g_CountryTable[index].dialCode);

    cb_CarrierList.Clear();
    for (std::size_t record = 1; record <= 999; ++record)
        if (upperEqual(g_CarrierTable[record].countryName, country))
            cb_CarrierList.AddItem(g_CarrierTable[record].carrierName);
    g_CarrierPlaceholder = false;
}

void frm_Main::cb_CarrierList_Click() {
    prp_CarrierSelect(cb_CarrierList.Text());
    g_CarrierName = cb_CarrierList.Text();
}

void frm_Main::meb_PhoneNumber1_GotFocus() {
    meb_PhoneNumber1.SelStart(0);
    meb_PhoneNumber1.SelLength(0);
}

void frm_Main::meb_PhoneNumber1_KeyPress(int& KeyAscii) {
    if ((KeyAscii >= '0' && KeyAscii <= '9') || KeyAscii == forms::vbKeyBack) return;
    swallowWithBeeps(KeyAscii);
}

void frm_Main::meb_PhoneNumber1_LostFocus() {
    if (g_PhoneEntryOpen) {
        if (m_PhoneNumberStatus == 0) g_PhoneNumberText = meb_PhoneNumber1.Text();
        return;
    }
    prp_PhoneNumber(meb_PhoneNumber1.Text());
    g_PhoneNumberText = m_PhoneNumberStatus == 0 ? prp_PhoneNumber() : std::string();
}

bool frm_Main::ValidatePhoneDetails() {
    bool valid = true;

    if (!cb_CarrierList.Text().empty() && prp_CarrierSelect() != kChooseCarrier) {
        prp_CarrierSelect(cb_CarrierList.Text());
        g_CarrierName = cb_CarrierList.Text();
        if (g_CarrierPlaceholder) {
            cb_CarrierList.RemoveItem(0);
            g_CarrierPlaceholder = false;
        }
    } else {
        tell("You must enter a Carrier to proceed", "Select a Carrier");
        valid = false;
    }

    prp_CountrySelect(cb_CountryList.Text());
    if (!prp_CountrySelect().empty() && prp_CountrySelect() != kChooseCountry) {
        g_CountryName = cb_CountryList.Text();
        if (g_CountryPlaceholder) {
            cb_CountryList.RemoveItem(0);
            g_CountryPlaceholder = false;
        }
    } else {
        tell("You must enter a Country to proceed", "Select a Country");
        valid = false;
    }

    prp_PhoneNumber(meb_PhoneNumber1.Text());
    const std::size_t digits = prp_PhoneNumber().size();
    if (digits >= 7 && digits <= 14) {
        g_PhoneNumberText = meb_PhoneNumber1.Text();
    } else {
        tell("You must enter a valid phone # to proceed", "Enter Phone Number");
        valid = false;
    }
    return valid;
}

void frm_Main::cmd_SubmitCarrier_Click() {
    if (!ValidatePhoneDetails()) return;
    prp_PhoneNumber(meb_PhoneNumber1.Text());
    g_PhoneNumberText = meb_PhoneNumber.Text();
    g_PhoneEntryOpen = false;
    meb_PhoneNumber1.SelStart(0);
    Image28.Visible(false);
    Image27.Visible(true);
    SetFrameChecked(3, "Select Audio");
    m_FrameNumber = 3;
    track(100);
}
