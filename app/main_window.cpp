#include "main_window.h"

#include "backend_files.h"
#include "program_env.h"
#include "shared_procedures.h"

namespace {
constexpr long px(int pixels) { return forms::toTwips(pixels); }

void show(forms::ComboBox& box, const ListBoxModel& model) {
    box.Clear();
    for (const auto& item : model.items) box.AddItem(item);
    if (model.listIndex >= 0) box.ListIndex(model.listIndex);
}
}  // namespace

frm_Main::frm_Main()
    : forms::Form("frm_Main"),
      lb_Title(*this, "lb_Title"),
      cb_CountryList(*this, "cb_CountryList"),
      cb_CarrierList(*this, "cb_CarrierList") {
    Caption(kApplicationTitle);
    Move(0, 0, px(480), px(200));
    lb_Title.Move(px(20), px(16), px(440), px(40));
    lb_Title.FontSize(12);
    lb_Title.FontBold(true);
    lb_Title.Caption("Choose your country and carrier");
    cb_CountryList.Move(px(20), px(70), px(440), px(30));
    cb_CarrierList.Move(px(20), px(120), px(440), px(30));
    cb_CountryList.Click = [this] { cb_CountryList_Click(); };
}

void frm_Main::Form_Load() {
    ReadCountryList(ProgramFolder() + "/" + kCountryFileName);
    ReadCarrierList(ProgramFolder() + "/" + kCarrierFileName);
    ListBoxModel countries, carriers;
    FillCountryList(countries, carriers);
    FillCarrierList(carriers);
    show(cb_CountryList, countries);
    show(cb_CarrierList, carriers);
}

void frm_Main::cb_CountryList_Click() {
    ListBoxModel carriers;
    FillCarriersOfCountry(carriers, cb_CountryList.Text());
    show(cb_CarrierList, carriers);
}

// Closing the main window ends the program, hidden service windows included.
void frm_Main::Form_Unload(int&) { UnloadAllForms(); }
