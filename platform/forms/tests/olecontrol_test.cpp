#include "windows/windows.h"

#include "fixture.h"

#include "activex/testing/test_host.h"
#include "sample_control.h"

using namespace forms;
using formstest::FormsTest;
using formstest::pixel;

namespace {

class HostForm : public Form {
public:
    HostForm()
        : Form("HostForm"), fr_Main(*this, "fr_Main"),
          AudioSliderType21(fr_Main, "AudioSliderType21", -1, CLSID_SampleControl, 900, 450) {
        Move(0, 0, 3000, 1500);
        BackColor(0xFFFFFF);
        fr_Main.Move(0, 0, 3000, 1500);
        AudioSliderType21.Move(750, 300, 900, 450);  // 50, 20 pixels; 60 x 30
    }
    Frame fr_Main;
    OleControl AudioSliderType21;
};

class OleControlTest : public FormsTest {
protected:
    void SetUp() override {
        FormsTest::SetUp();
        ASSERT_EQ(activex::testing::registerLibrary(SAMPLE_CONTROL_PATH), S_OK);
    }
    void TearDown() override {
        FormsTest::TearDown();
        activex::testing::registerLibrary(SAMPLE_CONTROL_PATH, true);
    }
};

}  // namespace

TEST_F(OleControlTest, ControlPlacedByClsidIsDrawnAndReceivesClicks) {
    HostForm form;
    auto& control = form.AudioSliderType21;
    ASSERT_NE(control.Object(), nullptr);
    ASSERT_NE(control.hWnd(), nullptr);
    std::vector<std::pair<long, long>> clicks;
    ASSERT_TRUE(control.connectEvents(DIID_ISampleControlEvents));
    control.Event = [&](DISPID id, DISPPARAMS* params) {
        if (id == kClickEvent && params->cArgs == 2)
            clicks.emplace_back(params->rgvarg[1].lVal, params->rgvarg[0].lVal);
    };
    form.Show();
    drive::pump(std::chrono::milliseconds(30));
    cairo_surface_t* shot = drive::capture(form);
    EXPECT_EQ(pixel(shot, 10, 10), 0xFFFFFFu);
    EXPECT_EQ(pixel(shot, 52, 22), 0xFF0000u);   // the sample paints its colour, red
    EXPECT_EQ(pixel(shot, 108, 48), 0xFF0000u);
    EXPECT_EQ(pixel(shot, 112, 52), 0xFFFFFFu);
    cairo_surface_destroy(shot);

    drive::click(control);
    drive::pump();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], (std::pair<long, long>{30, 15}));

    // Hidden through the extender: its window and its pixels go.
    control.Visible(false);
    drive::pump();
    EXPECT_FALSE(form.AudioSliderType21.site().visible());
    EXPECT_FALSE(IsWindowVisible(control.hWnd()));
    shot = drive::capture(form);
    EXPECT_EQ(pixel(shot, 60, 30), 0xFFFFFFu);
    cairo_surface_destroy(shot);
    control.Visible(true);
    EXPECT_TRUE(IsWindowVisible(control.hWnd()));
}

TEST_F(OleControlTest, AnUnknownClassRaises429) {
    HostForm form;
    try {
        OleControl missing(form, "missing", -1, com::guid("{00000000-1111-2222-3333-444444444444}"), 300, 300);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 429);
    }
}
