#include <gtest/gtest.h>

#include "info_windows.h"
#include "main_window_fixture.h"
#include "program_values.h"
#include "shell/shell.h"

namespace {

std::vector<std::string> opened;

class HelpLinks : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        opened.clear();
        shell::setAddressOpener([](const char* address) {
            opened.push_back(address);
            return true;
        });
    }
    void TearDown() override {
        shell::setAddressOpener(nullptr);
        MainWindowTest::TearDown();
    }
};

TEST_F(HelpLinks, EachStepsHelpButtonOpensItsPage) {
    auto& main = open();
    const struct {
        int step;
        const char* title;
    } cases[] = {{1, "Select Carrier and Phone Model"}, {31, "Select Your Audio Source"},
                 {4, "Edit Your Audio and Make Ringtone"}};
    for (const auto& c : cases) {
        main.SetFrame(c.step);
        std::string title;
        whenModal<Step_Help>([&](Step_Help& help) {
            title = help.Caption();
            EXPECT_TRUE(static_cast<bool>(help.Picture2.Picture()));
            forms::drive::click(help.Continue);
        });
        forms::drive::click(main.cmd_Help(c.step));
        EXPECT_EQ(g_HelpStep, c.step);
        EXPECT_EQ(title, c.title);
    }
    EXPECT_EQ(findForm<Step_Help>(), nullptr);
}

TEST_F(HelpLinks, EverySupportLinkOpensTheSupportPageEachTime) {
    auto& main = open();
    forms::drive::click(main.click_for_support);
    forms::drive::click(main.click_for_support);
    main.SetFrame(4);
    forms::drive::click(main.Image21);
    const std::string page = "http://" + service.host() + "/support";
    EXPECT_EQ(opened, (std::vector<std::string>{page, page, page}));
    EXPECT_EQ(SupportCommandLine(), "Explorer.exe " + page);
}

TEST_F(HelpLinks, TheCurrencyPageOpensModallyAtTheTopLeft) {
    g_CurrencyPageUrl = "http://" + service.host() + "/currency/index.html";
    auto& main = open();
    std::string shown;
    whenModal<frm_currency_stub>([&](frm_currency_stub& currency) {
        EXPECT_EQ(currency.Caption(), "Tavimo Currency Converter");
        EXPECT_EQ(currency.Left(), 0);
        EXPECT_EQ(currency.Top(), 0);
        EXPECT_EQ(currency.Width(), 6250);
        EXPECT_EQ(currency.Height(), 4250);
        forms::drive::waitUntil([&] { return !currency.WebBrowser1.Busy(); });
        shown = currency.WebBrowser1.LocationURL();
        currency.Unload();
    });
    forms::drive::click(main.Image28);
    EXPECT_EQ(shown, g_CurrencyPageUrl);
}

}  // namespace
