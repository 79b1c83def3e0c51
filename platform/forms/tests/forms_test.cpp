#include "windows/windows.h"

#include "fixture.h"

#include <gtk/gtk.h>

using namespace forms;
using formstest::FormsTest;

namespace {

// A message window in the program's manner: loads pictures and beeps on load, closes by its
// button, reloads afresh after each close.
class MessageForm : public Form {
public:
    MessageForm() : Form("MessageForm"), lb_Custom(*this, "lb_Custom"), OKButton(*this, "OKButton") {
        OKButton.Move(300, 300, 600, 300);
        OKButton.Click = [this] { Unload(); };
        Caption("Tavimo");
        ++instances;
    }
    ~MessageForm() override { --instances; }
    static inline int instances = 0;
    static inline int loads = 0;
    static inline int unloads = 0;
    Label lb_Custom;
    Image OKButton;

protected:
    void Form_Load() override {
        ++loads;
        for (int i = 0; i < 3; ++i) Beep();
    }
    void Form_Unload(int&) override { ++unloads; }
};

class PlainForm : public Form {
public:
    explicit PlainForm(std::string name = "PlainForm") : Form(std::move(name)) {}
    std::function<void(int&)> onUnload;
    std::function<void(int&, int)> onQueryUnload;
    std::function<void()> onActivate;

protected:
    void Form_QueryUnload(int& cancel, int mode) override {
        if (onQueryUnload) onQueryUnload(cancel, mode);
    }
    void Form_Unload(int& cancel) override {
        if (onUnload) onUnload(cancel);
    }
    void Form_Activate() override {
        if (onActivate) onActivate();
    }
};

}  // namespace

TEST(ErrorsTest, ClassicNumbersAndTexts) {
    struct Case {
        long number;
        const char* text;
    } cases[] = {
        {53, "File not found"},
        {62, "Input past end of file"},
        {52, "Bad file name or number"},
        {9, "Subscript out of range"},
        {340, "Control array element doesn't exist"},
        {481, "Invalid picture"},
        {32755, "Cancel was selected."},
        {sckConnectionRefused, "Connection is forcefully rejected"},
        {icErrorTimeout, "Request timed out"},
        {31999, "Application-defined or object-defined error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorText(c.number), c.text) << c.number;
        Error e(c.number);
        EXPECT_EQ(e.Description(), c.text);
    }
    try {
        Err().Raise(62);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), 62);
        EXPECT_EQ(Err().Number, 62);
        EXPECT_EQ(Err().Description, "Input past end of file");
    }
    Err().Clear();
    EXPECT_EQ(Err().Number, 0);
    EXPECT_EQ(Err().Description, "");
}

TEST_F(FormsTest, AnErrorEscapingAHandlerEndsThatHandlerOnly) {
    PlainForm form;
    Image button(form, "button");
    button.Move(0, 0, 300, 300);
    int reached = 0;
    button.Click = [&] {
        ++reached;
        raise(errFileNotFound);
        ++reached;
    };
    form.Show();
    drive::pump();
    drive::click(button);
    drive::click(button);
    EXPECT_EQ(reached, 2);
    EXPECT_EQ(unhandled, (std::vector<long>{53, 53}));
    EXPECT_EQ(Err().Number, 53);
    EXPECT_TRUE(form.Loaded());
    // Other exceptions are caught the same way.
    button.Click = [] { throw std::runtime_error("boom"); };
    drive::click(button);
    EXPECT_EQ(unhandled.size(), 3u);
}

TEST_F(FormsTest, MsgBoxTakesTheProgramsTitleWhenGivenNone) {
    App().Title = "Tavimo";
    EXPECT_EQ(MsgBox("No title", vbOKOnly | vbExclamation), vbOK);
    answer = vbCancel;
    EXPECT_EQ(MsgBox("Titled", vbOKCancel, "ERROR"), vbCancel);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "Tavimo");
    EXPECT_EQ(boxes[0].buttons, vbExclamation);
    EXPECT_EQ(boxes[1].title, "ERROR");
    EXPECT_EQ(boxes[1].prompt, "Titled");
}

namespace {
// The icon name of the first image inside a widget, or empty.
std::string iconIn(GtkWidget* widget) {
    if (GTK_IS_IMAGE(widget)) {
        const char* name = nullptr;
        gtk_image_get_icon_name(GTK_IMAGE(widget), &name, nullptr);
        if (name && gtk_widget_get_visible(widget)) return name;
    }
    std::string found;
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* child = children; child && found.empty(); child = child->next)
            found = iconIn(GTK_WIDGET(child->data));
        g_list_free(children);
    }
    return found;
}
}  // namespace

// The box's kind shows as its icon beside the text.
TEST_F(FormsTest, MsgBoxShowsTheIconOfItsKind) {
    auto hook = setMsgBoxHook(nullptr);
    struct Kind {
        int flag;
        std::string icon;
    };
    for (const Kind& kind : std::vector<Kind>{{vbExclamation, "dialog-warning"},
                                              {vbCritical, "dialog-error"},
                                              {vbInformation, "dialog-information"},
                                              {vbQuestion, "dialog-question"}}) {
        std::string shown;
        drive::later([&] {
            GList* windows = gtk_window_list_toplevels();
            for (GList* w = windows; w; w = w->next)
                if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data))) {
                    shown = iconIn(GTK_WIDGET(w->data));
                    gtk_dialog_response(GTK_DIALOG(w->data), vbOK);
                }
            g_list_free(windows);
        });
        EXPECT_EQ(MsgBox("Connection is forcefully rejected", vbOKOnly | kind.flag, "ERROR"), vbOK);
        EXPECT_EQ(shown, kind.icon);
    }
    setMsgBoxHook(hook);
}

TEST(SeamsTest, NowRandomAndPaths) {
    setNowSource([] { return DateTime{2012, 9, 6, 14, 30, 15}; });
    DateTime t = Now();
    EXPECT_EQ(t.year, 2012);
    EXPECT_EQ(t.second, 15);
    setNowSource(nullptr);
    EXPECT_GE(Now().year, 2024);

    setRandomSource([] { return 0.5; });
    EXPECT_EQ(Rnd(), 0.5);
    setRandomSource(nullptr);
    Randomize();
    for (int i = 0; i < 1000; ++i) {
        double r = Rnd();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    EXPECT_EQ(nativePath("/opt/bin\\images\\tree.bmp"), "/opt/bin/images/tree.bmp");
    EXPECT_FALSE(App().Path.empty());
    EXPECT_EQ(App().Path.find('\\'), std::string::npos);
}

TEST_F(FormsTest, DefaultInstanceIsLoadedOnUseAndReleasedByUnload) {
    MessageForm::loads = MessageForm::unloads = 0;
    MessageForm& first = Default<MessageForm>();
    EXPECT_TRUE(first.Loaded());
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(&Default<MessageForm>(), &first);
    EXPECT_EQ(MessageForm::loads, 1);
    first.lb_Custom.Caption("changed");
    first.Unload();
    EXPECT_EQ(MessageForm::unloads, 1);
    drive::pump();
    EXPECT_EQ(MessageForm::instances, 0);
    MessageForm& second = Default<MessageForm>();
    EXPECT_EQ(second.lb_Custom.Caption(), "");
    EXPECT_EQ(MessageForm::loads, 2);
    EXPECT_EQ(beeps, 6);
    second.Unload();
}

TEST_F(FormsTest, FreshInstancesAndTheLoadedFormsInLoadOrder) {
    PlainForm a("a"), b("b"), c("c");
    b.Load();
    a.Load();
    c.Show();
    EXPECT_EQ(Forms(), (std::vector<Form*>{&b, &a, &c}));
    a.Unload();
    EXPECT_EQ(Forms(), (std::vector<Form*>{&b, &c}));
    // Form_Unload may cancel.
    b.onUnload = [](int& cancel) { cancel = 1; };
    b.Unload();
    EXPECT_TRUE(b.Loaded());
    b.onUnload = nullptr;
    for (Form* f : Forms()) f->Unload();
    EXPECT_TRUE(Forms().empty());
    forms::Run();  // returns at once: nothing is loaded
}

TEST_F(FormsTest, AModalFormsNestedLoopReturnsToItsCaller) {
    PlainForm owner("owner");
    owner.Show();
    MessageForm dialog;
    int activations = 0;
    std::vector<std::string> order;
    dialog.OKButton.Click = [&] {
        order.push_back("ok");
        dialog.Hide();
    };
    drive::later([&] {
        order.push_back("in loop");
        EXPECT_TRUE(dialog.Visible());
        EXPECT_TRUE(dialog.Modal());
        drive::pump();
        drive::click(dialog.OKButton);
    });
    (void)activations;
    dialog.Show(1);
    order.push_back("returned");
    EXPECT_EQ(order, (std::vector<std::string>{"in loop", "ok", "returned"}));
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(dialog.Loaded());

    // Unloading ends the loop as well, nested inside another modal form.
    MessageForm inner;
    drive::later([&] {
        drive::later([&] { inner.Unload(); });
        inner.Show(1);
        order.push_back("inner returned");
        dialog.Unload();
    });
    dialog.Show(1);
    order.push_back("outer returned");
    EXPECT_EQ(order.back(), "outer returned");
    EXPECT_EQ(order[order.size() - 2], "inner returned");
    EXPECT_FALSE(dialog.Loaded());
}

// The window manager's close request reaches the form as a query it may refuse or answer, the
// way a modal dialog's caller learns which answer closed it.
TEST_F(FormsTest, AWindowManagersCloseIsQueriedBeforeTheFormUnloads) {
    PlainForm form;
    std::vector<int> modes;
    int unloads = 0;
    bool refuse = true;
    form.onQueryUnload = [&](int& cancel, int mode) {
        modes.push_back(mode);
        if (mode == vbFormControlMenu && refuse) cancel = 1;
    };
    form.onUnload = [&](int&) { ++unloads; };
    drive::later([&] {
        drive::closeFromWindowManager(form);
        EXPECT_TRUE(form.Visible()) << "a refused close leaves the form as it was";
        refuse = false;
        drive::closeFromWindowManager(form);
    });
    form.Show(1);
    EXPECT_EQ(modes, (std::vector<int>{vbFormControlMenu, vbFormControlMenu}));
    EXPECT_EQ(unloads, 1);
    EXPECT_FALSE(form.Loaded());

    // The form's own Unload is queried as code; a query that answers by unloading is final.
    modes.clear();
    form.onQueryUnload = [&](int&, int mode) {
        modes.push_back(mode);
        if (mode == vbFormControlMenu) form.Unload();
    };
    drive::later([&] { drive::closeFromWindowManager(form); });
    form.Show(1);
    EXPECT_EQ(modes, (std::vector<int>{vbFormControlMenu, vbFormCode}));
    EXPECT_EQ(unloads, 2);
    EXPECT_FALSE(form.Loaded());
    form.Show();
    form.Unload();
    EXPECT_EQ(modes.back(), vbFormCode);
}

TEST_F(FormsTest, ActivateFiresWhenShown) {
    PlainForm form;
    int activations = 0;
    form.onActivate = [&] { ++activations; };
    form.Show();
    form.Show();
    EXPECT_EQ(activations, 1);
    form.Hide();
    form.Show();
    EXPECT_EQ(activations, 2);
}

TEST_F(FormsTest, TheFormsWindowCanBeSubclassed) {
    PlainForm form;
    form.Load();
    HWND hwnd = form.hWnd();
    ASSERT_TRUE(IsWindow(hwnd));
    static WNDPROC previous = nullptr;
    static UINT message = RegisterWindowMessageA("QueryCancelAutoPlay");
    previous = reinterpret_cast<WNDPROC>(SetWindowLongA(
        hwnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == message) return 1;
            return CallWindowProcA(previous, h, m, w, l);
        })));
    EXPECT_EQ(SendMessageA(hwnd, message, 0, 0), 1);
    form.Unload();
    EXPECT_FALSE(IsWindow(hwnd));
}
