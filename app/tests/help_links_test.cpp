#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>

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

// The help window is taller than a message: its lower half shows the body's colour beside the
// help page, and the footer band only at its bottom, behind its buttons.
TEST_F(HelpLinks, TheHelpWindowsBackgroundFitsItsHeight) {
    auto& main = open();
    constexpr std::uint32_t kBody = 0xF7F4EE, kFooter = 0xECE6DA;
    int height = 0, footerInBody = 0, bodyInFooter = 0;
    whenModal<Step_Help>([&](Step_Help& help) {
        forms::drive::pump(std::chrono::milliseconds(100));
        cairo_surface_t* surface = forms::drive::capture(help);
        cairo_surface_flush(surface);
        height = cairo_image_surface_get_height(surface);
        auto pixel = [&](int x, int y) {
            std::uint32_t argb;
            std::memcpy(&argb,
                        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4, 4);
            return argb & 0xFFFFFF;
        };
        // The margins beside the help page (which spans x 20 to 400, y 48 to 278).
        for (int y = height / 2; y < 276; ++y)
            for (int x : {4, 10, 16, 404, 410, 415})
                if (pixel(x, y) == kFooter) ++footerInBody;
        for (int y = 284; y < height - 2; ++y)
            for (int x : {4, 10, 16, 180, 250})
                if (pixel(x, y) != kFooter) ++bodyInFooter;
        EXPECT_EQ(pixel(10, height / 2), kBody);
        cairo_surface_destroy(surface);
        forms::drive::click(help.Continue);
    });
    forms::drive::click(main.cmd_Help(1));
    EXPECT_EQ(height, 330);
    EXPECT_EQ(footerInBody, 0);
    EXPECT_EQ(bodyInFooter, 0);
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
