#pragma once
// The skinned message window that every message of the program goes through.

#include <string>

#include "forms/forms.h"

class TestToneMsg : public forms::Form {
public:
    TestToneMsg();

    // Drawn in this order, the background first.
    forms::Image Image2;
    forms::Image img_Error;
    forms::Label lb_Custom;
    forms::Image Image1;
    forms::Image OKButton;

protected:
    void Form_Load() override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;

private:
    void OKButton_Click();
    void Image1_Click();
};

// Shows the text in the default instance under the title, modally.
void ShowMessageWindow(const std::string& text, const std::string& title);
// The offline notice: a fresh instance under its designed title.
void ShowOfflineNotice(const std::string& text);
