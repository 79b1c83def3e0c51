#include "test_tone_msg.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>

#include "startup.h"
#include "window_fixture.h"

namespace {

std::uint32_t pixel(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    std::uint32_t argb;
    std::memcpy(&argb, cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4, 4);
    return argb & 0xFFFFFF;
}

bool reddish(std::uint32_t rgb) { return (rgb >> 16) > 0xB0 && ((rgb >> 8) & 0xFF) < 0x80; }

class MessageWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyImages();
    }
};

TEST_F(MessageWindow, ShowsTheTextUnderTheTitleUntilOK) {
    bool seen = false;
    forms::drive::later([&] {
        auto& window = forms::Default<TestToneMsg>();
        EXPECT_TRUE(window.Visible());
        EXPECT_TRUE(window.Modal());
        EXPECT_EQ(window.Caption(), "Read Configuration File");
        EXPECT_EQ(window.lb_Custom.Caption(), "Error 62 (Input past end of file)");
        EXPECT_TRUE(window.img_Error.Visible());
        forms::drive::pump(std::chrono::milliseconds(100));
        cairo_surface_t* surface = forms::drive::capture(window);
        EXPECT_EQ(pixel(surface, 100, 20), 0x1E2A44u);  // the header
        EXPECT_TRUE(reddish(pixel(surface, 30, 82)));  // the error sign
        EXPECT_GT(pixel(surface, 180, 178) >> 16, 0xD0u);  // the orange OK button
        cairo_surface_destroy(surface);
        if (const char* dir = std::getenv("TAVIMO_SCREENSHOT_DIR"))
            forms::drive::screenshot(window, std::string(dir) + "/tavimo-message.png");
        seen = true;
        forms::drive::click(window.OKButton);
    });
    ShowMessageWindow("Error 62 (Input past end of file)", "Read Configuration File");
    EXPECT_TRUE(seen);
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(findForm<TestToneMsg>(), nullptr);
}

TEST_F(MessageWindow, LoopingFileShowsNoErrorSignAndTheNextMessageDoes) {
    std::vector<bool> signs;
    auto closeWith = [&](bool viaCloseButton) {
        forms::drive::later([&, viaCloseButton] {
            auto& window = forms::Default<TestToneMsg>();
            signs.push_back(window.img_Error.Visible());
            forms::drive::click(viaCloseButton ? window.Image1 : window.OKButton);
        });
    };
    closeWith(true);
    ShowMessageWindow("The clip is short", "Looping File");
    closeWith(false);
    ShowMessageWindow("Next", "Tavimo");
    EXPECT_EQ(signs, (std::vector<bool>{false, true}));
    EXPECT_EQ(beeps, 6);
    EXPECT_EQ(findForm<TestToneMsg>(), nullptr);
}

TEST_F(MessageWindow, OfflineNoticeKeepsTheDesignedTitle) {
    std::string caption, text;
    forms::drive::later([&] {
        auto* window = findForm<TestToneMsg>();
        ASSERT_NE(window, nullptr);
        caption = window->Caption();
        text = window->lb_Custom.Caption();
        forms::drive::click(window->OKButton);
    });
    ShowOfflineNotice("offline");
    EXPECT_EQ(caption, "Tavimo");
    EXPECT_EQ(text, "offline");
    EXPECT_TRUE(forms::Forms().empty());
}

// A long text wraps inside the artwork: the window keeps the width of its background picture.
TEST_F(MessageWindow, LongTextsWrapToTheArtworksWidth) {
    std::vector<int> widths, heights;
    auto measure = [&] {
        forms::drive::later([&] {
            auto* window = findForm<TestToneMsg>();
            ASSERT_NE(window, nullptr);
            forms::drive::pump(std::chrono::milliseconds(100));
            cairo_surface_t* surface = forms::drive::capture(*window);
            widths.push_back(cairo_image_surface_get_width(surface));
            heights.push_back(cairo_image_surface_get_height(surface));
            cairo_surface_destroy(surface);
            forms::drive::click(window->OKButton);
        });
    };
    measure();
    ShowOfflineNotice(kOfflineMessage);
    measure();
    ShowMessageWindow(std::string("This file cannot be opened and may be copy protected.") + '\r' +
                          "Please try a different file.",
                      "Find File");
    EXPECT_EQ(widths, (std::vector<int>{420, 420}));
    EXPECT_EQ(heights, (std::vector<int>{210, 210}));
}

}  // namespace
