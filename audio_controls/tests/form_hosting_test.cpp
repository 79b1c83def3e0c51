// The controls hosted in a form as the program hosts them, driven by the display's real pointer.

#include "fixture.h"

#include "forms/olecontrol.h"
#include "windows/windows.h"
#include "interfaces.h"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

using namespace forms;
using formstest::pixel;

namespace {

// A form placed away from the screen's corner, the control in a frame away from the form's.
class HostForm : public Form {
public:
    HostForm(REFCLSID clsid, long width, long height)
        : Form("HostForm"), fr_Main(*this, "fr_Main"), hosted(fr_Main, "hosted", -1, clsid, width, height) {
        Move(1500, 1200, 6000, 4500);  // 100, 80 pixels; 400 x 300
        BackColor(0xFFFFFF);
        fr_Main.Move(600, 450, 5000, 3600);
        hosted.Move(300, 300, width, height);  // 60, 50 pixels into the form
    }
    Frame fr_Main;
    OleControl hosted;
};

class FormHosting : public formstest::FormsTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + SONDREL_PATH).c_str()), 0);
    }

    // Moves the display's pointer as a user's hand does, through the X server's test extension.
    static void movePointer(int screenX, int screenY) {
        Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
        XTestFakeMotionEvent(display, -1, screenX, screenY, CurrentTime);
        XFlush(display);
    }
    // The control's point (x, y) on the screen.
    static void movePointerOnto(OleControl& control, int x, int y) {
        int left = 0, top = 0;
        gdk_window_get_origin(gtk_widget_get_window(control.widget()), &left, &top);
        GtkAllocation a;
        gtk_widget_get_allocation(control.widget(), &a);
        if (!gtk_widget_get_has_window(control.widget())) {
            left += a.x;
            top += a.y;
        }
        movePointer(left + x, top + y);
    }
    static std::uint32_t formPixel(Form& form, int x, int y) {
        cairo_surface_t* shot = drive::capture(form);
        std::uint32_t p = pixel(shot, x, y);
        cairo_surface_destroy(shot);
        return p;
    }
    static void show(Form& form) {
        form.Show();
        ASSERT_TRUE(drive::waitUntil([&] { return gtk_widget_get_mapped(form.window()); }));
        drive::pump(std::chrono::milliseconds(50));
    }
};

std::uint32_t rgb(COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

TEST_F(FormHosting, AFlatButtonsRaisedFrameEndsWhenThePointerLeaves) {
    HostForm form(sondrel::CLSID_AudioFlatButton, 1500, 375);  // 100 x 25
    show(form);
    // The right edge: the dark shadow of the raised frame, the plain shadow of the flat one.
    const int edgeX = 60 + 99, edgeY = 50 + 12;
    const std::uint32_t raised = rgb(GetSysColor(COLOR_3DDKSHADOW)), flat = rgb(GetSysColor(COLOR_BTNSHADOW));
    ASSERT_NE(raised, flat);
    auto edge = [&] { return formPixel(form, edgeX, edgeY); };

    movePointer(1200, 1000);
    EXPECT_TRUE(drive::waitUntil([&] { return edge() == flat; }));
    movePointerOnto(form.hosted, 50, 12);
    EXPECT_TRUE(drive::waitUntil([&] { return edge() == raised; }));
    // Onto a bare spot of the form, then back, then off the window altogether.
    movePointerOnto(form.hosted, -30, -20);
    EXPECT_TRUE(drive::waitUntil([&] { return edge() == flat; }));
    movePointerOnto(form.hosted, 98, 24);
    EXPECT_TRUE(drive::waitUntil([&] { return edge() == raised; }));
    movePointer(1200, 1000);
    EXPECT_TRUE(drive::waitUntil([&] { return edge() == flat; }));
}

// A put through the control's own dispatch, as the program's late-bound calls make it.
void put(OleControl& control, DISPID id, com::Variant value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    ASSERT_EQ(control.Object()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                                       nullptr, nullptr),
              S_OK);
}

TEST_F(FormHosting, TheFormFollowsTheSizeAControlGivesItself) {
    HostForm form(sondrel::CLSID_AudioSliderType2, 3000, 225);  // 200 x 15
    show(form);
    auto allocated = [&] {
        GtkAllocation a;
        gtk_widget_get_allocation(form.hosted.widget(), &a);
        return std::pair<int, int>{a.width, a.height};
    };
    ASSERT_TRUE(drive::waitUntil([&] { return allocated() == std::pair<int, int>{200, 15}; }));

    put(form.hosted, 0x10, com::Variant::i4(1));  // Orientation: vertical
    EXPECT_EQ(form.hosted.Width(), 15 * 15);
    EXPECT_EQ(form.hosted.Height(), 200 * 15);
    EXPECT_EQ(form.hosted.Left(), 300);
    EXPECT_TRUE(drive::waitUntil([&] { return allocated() == std::pair<int, int>{15, 200}; }));
    // The whole control shows (its frame, far below the old strip); beside it the form is bare.
    cairo_surface_t* shot = drive::capture(form);
    EXPECT_NE(pixel(shot, 60 + 1, 50 + 100), 0xFFFFFFu);
    EXPECT_NE(pixel(shot, 60 + 1, 50 + 190), 0xFFFFFFu);
    EXPECT_EQ(pixel(shot, 60 + 100, 50 + 7), 0xFFFFFFu);
    cairo_surface_destroy(shot);

    // A size the control refuses: the form shows the size it takes instead.
    form.hosted.Move(300, 300, 3000, 3000);
    EXPECT_EQ(form.hosted.Width(), 15 * 15);
    EXPECT_EQ(form.hosted.Height(), 200 * 15);
}

}  // namespace
