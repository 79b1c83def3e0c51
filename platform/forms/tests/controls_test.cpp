#include "fixture.h"

#include <gtk/gtk.h>

using namespace forms;
using formstest::FormsTest;
using formstest::pixel;
using formstest::TempDir;
using formstest::writeBmp;

namespace {

class SkinForm : public Form {
public:
    SkinForm() : Form("SkinForm"), fr_Main(), cmd_Go(*this, "cmd_Go"), img_Go(*this, "img_Go") {
        Move(0, 0, 3000, 2250);  // 200 x 150 pixels
        fr_Main.add(*this, "fr_Main", 1).Move(1500, 0, 1500, 1500);
        fr_Main.add(*this, "fr_Main", 31).Move(1500, 0, 1500, 1500);
        cmd_Go.Move(300, 450);
        img_Go.Move(300, 450);
    }
    ControlArray<Frame> fr_Main;
    Image cmd_Go;
    Image img_Go;
};

}  // namespace

TEST_F(FormsTest, BackgroundAndImageButtonsAtTwipsPositions) {
    TempDir dir;
    writeBmp(dir.file("background.bmp"), 200, 150, 0x204080);
    writeBmp(dir.file("go_on.bmp"), 40, 20, 0xFF0000);
    writeBmp(dir.file("go_off.bmp"), 40, 20, 0x00FF00);
    App().Path = dir.path();
    SkinForm form;
    form.Picture(App().Path + "\\background.bmp");
    form.cmd_Go.Picture(App().Path + "\\go_on.bmp");
    form.img_Go.Picture(App().Path + "\\go_off.bmp");
    form.img_Go.Visible(false);
    EXPECT_EQ(form.cmd_Go.Width(), 600);  // autosized: 40 pixels
    EXPECT_EQ(form.cmd_Go.Height(), 300);
    form.Show();
    drive::pump(std::chrono::milliseconds(50));
    ASSERT_TRUE(drive::screenshot(form, dir.file("shot.png")));
    cairo_surface_t* shot = cairo_image_surface_create_from_png(dir.file("shot.png").c_str());
    ASSERT_EQ(cairo_surface_status(shot), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(shot), 200);
    EXPECT_EQ(cairo_image_surface_get_height(shot), 150);
    EXPECT_EQ(pixel(shot, 5, 5), 0x204080u);
    EXPECT_EQ(pixel(shot, 19, 29), 0x204080u);   // just left of and above the button
    EXPECT_EQ(pixel(shot, 20, 30), 0xFF0000u);   // 300, 450 twips
    EXPECT_EQ(pixel(shot, 59, 49), 0xFF0000u);
    EXPECT_EQ(pixel(shot, 60, 50), 0x204080u);
    cairo_surface_destroy(shot);

    // Swapping the pair shows the inactive twin in the same place.
    form.cmd_Go.Visible(false);
    form.img_Go.Visible(true);
    drive::pump();
    cairo_surface_t* again = drive::capture(form);
    EXPECT_EQ(pixel(again, 30, 40), 0x00FF00u);
    cairo_surface_destroy(again);

    EXPECT_THROW(form.cmd_Go.Picture(App().Path + "\\missing.bmp"), Error);
    try {
        form.cmd_Go.Picture(App().Path + "\\missing.bmp");
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 53);
    }
    std::FILE* bad = std::fopen(dir.file("bad.bmp").c_str(), "w");
    std::fputs("not a bitmap", bad);
    std::fclose(bad);
    try {
        form.cmd_Go.Picture(App().Path + "\\bad.bmp");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 481);
    }
}

TEST_F(FormsTest, ImageButtonsFireMouseDownUpAndClick) {
    SkinForm form;
    form.cmd_Go.Move(0, 0, 600, 300);
    std::vector<std::string> events;
    form.cmd_Go.MouseDown = [&](int b, int, float x, float y) {
        events.push_back("down" + std::to_string(b));
        EXPECT_FLOAT_EQ(x, 300);  // middle of 40 x 20 pixels, in twips
        EXPECT_FLOAT_EQ(y, 150);
    };
    form.cmd_Go.MouseUp = [&](int b, int, float, float) { events.push_back("up" + std::to_string(b)); };
    form.cmd_Go.Click = [&] { events.push_back("click"); };
    form.Show();
    drive::pump();
    drive::click(form.cmd_Go);
    drive::click(form.cmd_Go, vbRightButton);
    EXPECT_EQ(events, (std::vector<std::string>{"down1", "up1", "click", "down2", "up2"}));
    events.clear();
    form.cmd_Go.Enabled(false);
    drive::click(form.cmd_Go);
    EXPECT_TRUE(events.empty());
}

TEST_F(FormsTest, ControlArraysByIndex) {
    SkinForm form;
    std::vector<int> clicked;
    form.fr_Main.Click = [&](int index) { clicked.push_back(index); };
    form.Show();
    drive::pump();
    drive::click(form.fr_Main(31));
    EXPECT_EQ(clicked, std::vector<int>{31});
    EXPECT_EQ(form.fr_Main(1).Index(), 1);
    EXPECT_EQ(form.fr_Main.indices(), (std::vector<int>{1, 31}));
    try {
        form.fr_Main(5).Visible(false);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 340);
    }
}

TEST_F(FormsTest, DropsOnAFrameReachItsHandler) {
    SkinForm form;
    std::vector<std::string> drops;
    form.fr_Main(1).DragDrop = [&](const std::string& data, float, float) { drops.push_back(data); };
    form.Show();
    drive::drop(form.fr_Main(1), "file:///tmp/a.wav\r\n");
    EXPECT_EQ(drops, std::vector<std::string>{"file:///tmp/a.wav\r\n"});
}

namespace {

class PhoneForm : public Form {
public:
    PhoneForm() : Form("PhoneForm"), meb_PhoneNumber1(*this, "meb_PhoneNumber1"), txt_Name(*this, "txt_Name") {
        meb_PhoneNumber1.Move(0, 0, 2000, 375);
        txt_Name.Move(0, 600, 2000, 375);
        // Digits and backspace pass; anything else is swallowed with two beeps.
        meb_PhoneNumber1.KeyPress = [this](int& key) {
            keys.push_back(key);
            if ((key >= '0' && key <= '9') || key == vbKeyBack) return;
            key = 0;
            Beep();
            Beep();
        };
        txt_Name.MaxLength(8);
        txt_Name.KeyPress = [this](int& key) {
            if (key == vbKeyEscape) txt_Name.Text("");
            else if (key == 'a') key = 'A';
        };
        meb_PhoneNumber1.GotFocus = [this] {
            ++focused;
            meb_PhoneNumber1.SelStart(0);
        };
        meb_PhoneNumber1.LostFocus = [this] { ++left; };
    }
    MaskEdBox meb_PhoneNumber1;
    TextBox txt_Name;
    std::vector<int> keys;
    int focused = 0;
    int left = 0;
};

}  // namespace

TEST_F(FormsTest, TextBoxFilterSwallowsTypedAndPastedCharactersAlike) {
    PhoneForm form;
    form.Show();
    drive::pump();
    drive::type(form.meb_PhoneNumber1, "55a5-1");
    EXPECT_EQ(form.meb_PhoneNumber1.Text(), "5551");
    EXPECT_EQ(beeps, 4);
    drive::paste(form.meb_PhoneNumber1, "(555) 12");
    EXPECT_EQ(form.meb_PhoneNumber1.Text(), "555155512");
    EXPECT_EQ(beeps, 10);
    drive::key(form.meb_PhoneNumber1, vbKeyBack);
    EXPECT_EQ(form.meb_PhoneNumber1.Text(), "55515551");
    EXPECT_EQ(form.keys.back(), vbKeyBack);
    // Text from code is not filtered.
    form.meb_PhoneNumber1.Text("ab");
    EXPECT_EQ(form.meb_PhoneNumber1.Text(), "ab");

    // A replaced key goes in as replaced; the maximum length holds for typing and pasting.
    drive::type(form.txt_Name, "banana");
    EXPECT_EQ(form.txt_Name.Text(), "bAnAnA");
    drive::paste(form.txt_Name, "xyz");
    EXPECT_EQ(form.txt_Name.Text(), "bAnAnAxy");
    drive::key(form.txt_Name, vbKeyEscape);
    EXPECT_EQ(form.txt_Name.Text(), "");
}

TEST_F(FormsTest, TextBoxSelectionAndFocus) {
    PhoneForm form;
    form.Show();
    drive::pump();
    drive::focus(form);
    form.txt_Name.Text("NameTone");
    form.txt_Name.SelStart(0);
    form.txt_Name.SelLength(static_cast<int>(form.txt_Name.Text().size()));
    EXPECT_EQ(form.txt_Name.SelLength(), 8);
    drive::type(form.txt_Name, "Tune");
    EXPECT_EQ(form.txt_Name.Text(), "Tune");

    form.meb_PhoneNumber1.Text("5551234");
    form.meb_PhoneNumber1.SetFocus();
    drive::pump();
    EXPECT_EQ(form.focused, 1);
    EXPECT_EQ(form.meb_PhoneNumber1.SelStart(), 0);
    EXPECT_EQ(form.meb_PhoneNumber1.SelLength(), 0);
    form.txt_Name.SetFocus();
    drive::pump();
    EXPECT_EQ(form.left, 1);

    form.txt_Name.Enabled(false);
    try {
        form.txt_Name.SetFocus();
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 5);
    }
    form.txt_Name.ToolTipText("Some mobile phones will allow you to rename your ringtone once you receive it.");
    EXPECT_STREQ(gtk_widget_get_tooltip_text(form.txt_Name.widget()),
                 "Some mobile phones will allow you to rename your ringtone once you receive it.");
}

namespace {

class ListForm : public Form {
public:
    ListForm() : Form("ListForm"), cb_CountryList(*this, "cb_CountryList"), cb_Free(*this, "cb_Free", -1, vbComboDropdown) {
        cb_CountryList.Move(0, 0, 2000, 375);
        cb_Free.Move(0, 600, 2000, 375);
        cb_CountryList.Click = [this] { clicks.push_back(cb_CountryList.Text()); };
    }
    ComboBox cb_CountryList;
    ComboBox cb_Free;
    std::vector<std::string> clicks;
};

}  // namespace

TEST_F(FormsTest, ComboBoxClickFromCodeAndFromTheUser) {
    ListForm form;
    form.Show();
    auto& list = form.cb_CountryList;
    list.AddItem("* Choose country");
    list.AddItem("Canada");
    list.AddItem("USA");
    list.AddItem("Albania", 1);
    EXPECT_TRUE(form.clicks.empty());
    EXPECT_EQ(list.ListCount(), 4);
    EXPECT_EQ(list.List(1), "Albania");
    EXPECT_EQ(list.List(4), "");
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), "");

    list.ListIndex(2);
    list.Text("USA");
    drive::choose(list, 1);
    EXPECT_EQ(form.clicks, (std::vector<std::string>{"Canada", "USA", "Albania"}));
    EXPECT_EQ(list.ListIndex(), 1);

    list.RemoveItem(0);
    EXPECT_EQ(list.List(0), "Albania");
    EXPECT_EQ(list.ListCount(), 3);
    try {
        list.Text("Mars");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 383);
    }
    EXPECT_THROW(list.RemoveItem(7), Error);
    EXPECT_THROW(list.ListIndex(3), Error);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(form.clicks.size(), 3u);

    // A drop-down combo takes any text.
    form.cb_Free.AddItem("One");
    form.cb_Free.Text("Two");
    EXPECT_EQ(form.cb_Free.Text(), "Two");
    EXPECT_EQ(form.cb_Free.ListIndex(), -1);
    form.cb_Free.Text("One");
    EXPECT_EQ(form.cb_Free.ListIndex(), 0);
}

namespace {

class TimerForm : public Form {
public:
    TimerForm() : Form("TimerForm"), Timer1(*this, "Timer1"), Timer2(*this, "Timer2") {}
    Timer Timer1;
    Timer Timer2;
};

}  // namespace

TEST_F(FormsTest, TimersFireAndNeverReenterTheirHandler) {
    TimerForm form;
    form.Load();
    int ticks = 0;
    form.Timer1.Tick = [&] { ++ticks; };
    form.Timer1.Interval(10);
    EXPECT_TRUE(drive::waitUntil([&] { return ticks >= 3; }));
    form.Timer1.Enabled(false);
    int stopped = ticks;
    drive::pump(std::chrono::milliseconds(60));
    EXPECT_EQ(ticks, stopped);

    // A handler that yields long enough for its next tick to come due.
    int depth = 0, deepest = 0, entries = 0;
    form.Timer2.Tick = [&] {
        ++entries;
        ++depth;
        deepest = std::max(deepest, depth);
        drive::pump(std::chrono::milliseconds(40));
        --depth;
    };
    form.Timer2.Interval(5);
    EXPECT_TRUE(drive::waitUntil([&] { return entries >= 3; }));
    EXPECT_EQ(deepest, 1);

    // Unloading the form stops its timers; an interval of 0 never fires.
    form.Unload();
    int after = entries;
    drive::pump(std::chrono::milliseconds(40));
    EXPECT_EQ(entries, after);
    EXPECT_THROW(form.Timer1.Interval(-1), Error);
}

namespace {

class MenuForm : public Form {
public:
    MenuForm()
        : Form("MenuForm"), FileMenu(*this, "FileMenu", "&File"), mnu_ExitMenu(FileMenu, "mnu_ExitMenu", "E&xit"),
          mnu_HelpMenu(FileMenu, "mnu_HelpMenu", "&About") {}
    Menu FileMenu;
    Menu mnu_ExitMenu;
    Menu mnu_HelpMenu;
};

}  // namespace

TEST_F(FormsTest, MenusWithAccessKeys) {
    MenuForm form;
    int exits = 0;
    form.mnu_ExitMenu.Click = [&] {
        ++exits;
        form.Unload();
    };
    form.Show();
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(form.FileMenu.item())), "_File");
    EXPECT_STREQ(gtk_menu_item_get_label(GTK_MENU_ITEM(form.mnu_ExitMenu.item())), "E_xit");
    EXPECT_TRUE(gtk_menu_item_get_use_underline(GTK_MENU_ITEM(form.mnu_ExitMenu.item())));
    drive::activate(form.mnu_ExitMenu);
    EXPECT_EQ(exits, 1);
    EXPECT_FALSE(form.Loaded());
}

TEST_F(FormsTest, MousePointerShapes) {
    SkinForm form;
    form.Show();
    drive::pump();
    GdkWindow* window = gtk_widget_get_window(form.window());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(gdk_window_get_cursor(window), nullptr);
    form.MousePointer(vbHourglass);
    ASSERT_NE(gdk_window_get_cursor(window), nullptr);
    EXPECT_EQ(gdk_cursor_get_cursor_type(gdk_window_get_cursor(window)), GDK_CURSOR_IS_PIXMAP);
    form.MousePointer(vbDefault);
    EXPECT_EQ(gdk_window_get_cursor(window), nullptr);
    // A control's own pointer shows while the pointer is over it.
    form.cmd_Go.MousePointer(vbCustom);
    form.pointerOver(&form.cmd_Go);
    EXPECT_NE(gdk_window_get_cursor(window), nullptr);
    form.pointerOver(nullptr);
    EXPECT_EQ(gdk_window_get_cursor(window), nullptr);
}

TEST_F(FormsTest, LabelsShowTheirCaption) {
    PhoneForm form;
    Label label(form, "Label16");
    label.Move(0, 1200, 3000, 400);
    label.Caption("Select Audio Source");
    label.ForeColor(0x0000FF);
    form.Show();
    drive::pump();
    EXPECT_EQ(label.Caption(), "Select Audio Source");
    cairo_surface_t* shot = drive::capture(form);
    // Somewhere in the label's box the red text shows.
    bool red = false;
    for (int y = 80; y < 106 && !red; ++y)
        for (int x = 0; x < 200 && !red; ++x) {
            std::uint32_t p = pixel(shot, x, y);
            red = ((p >> 16) & 0xFF) > 0xA0 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60;
        }
    EXPECT_TRUE(red);
    cairo_surface_destroy(shot);
}

TEST_F(FormsTest, ANarrowTextBoxKeepsItsWidth) {
    Form form("narrow");
    TextBox box(form, "txt_Length");
    box.Move(toTwips(10), toTwips(10), toTwips(40), toTwips(28));
    form.Show();
    drive::pump(std::chrono::milliseconds(50));
    EXPECT_EQ(gtk_widget_get_allocated_width(box.widget()), 40);
    form.Unload();
}
