#pragma once
// A stand-in main window until the wizard's own: it shows the two lists start-up prepared.

#include "forms/forms.h"

class frm_Main : public forms::Form {
public:
    frm_Main();

    forms::Label lb_Title;
    forms::ComboBox cb_CountryList;
    forms::ComboBox cb_CarrierList;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    void cb_CountryList_Click();
};
