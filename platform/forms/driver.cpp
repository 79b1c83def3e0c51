#include "windows/windows.h"

#include "forms/driver.h"
#include "forms/internal.h"

#include <gdk/gdkx.h>

#include <cstdint>

namespace forms::drive {

namespace {

GtkWidget* eventWidget(Control& control) { return control.widget(); }

void sendButton(Control& control, GdkEventType type, int button) {
    GtkWidget* widget = eventWidget(control);
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    guint gdkButton = button == vbRightButton ? 3 : button == vbMiddleButton ? 2 : 1;
    double x = a.width / 2.0, y = a.height / 2.0;
    if (!gtk_widget_get_realized(widget)) {
        if (type == GDK_BUTTON_PRESS) control.deliverMouseDown(button, 0, static_cast<float>(x * kTwipsPerPixel),
                                                               static_cast<float>(y * kTwipsPerPixel));
        else control.deliverMouseUp(button, 0, static_cast<float>(x * kTwipsPerPixel),
                                    static_cast<float>(y * kTwipsPerPixel), true);
        return;
    }
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.button = gdkButton;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(event, gdk_seat_get_pointer(seat));
    gtk_widget_event(widget, event);
    gdk_event_free(event);
}

// Actions given to later run only while the count of forgetLater calls is the one they saw.
std::uint64_t& laterGeneration() {
    static std::uint64_t generation = 0;
    return generation;
}
}  // namespace

void press(Control& control, int button) { sendButton(control, GDK_BUTTON_PRESS, button); }
void release(Control& control, int button) { sendButton(control, GDK_BUTTON_RELEASE, button); }

void click(Control& control, int button) {
    press(control, button);
    release(control, button);
}

void type(TextBox& box, const std::string& text) {
    GtkEditable* editable = GTK_EDITABLE(box.widget());
    const char* p = text.c_str();
    while (*p) {
        const char* next = g_utf8_next_char(p);
        gtk_editable_delete_selection(editable);
        gint position = gtk_editable_get_position(editable);
        gtk_editable_insert_text(editable, p, static_cast<gint>(next - p), &position);
        gtk_editable_set_position(editable, position);
        p = next;
    }
}

void key(TextBox& box, int keyAscii) {
    GtkWidget* entry = box.widget();
    guint keyval = keyAscii == vbKeyBack ? GDK_KEY_BackSpace : keyAscii == vbKeyEscape ? GDK_KEY_Escape : GDK_KEY_Return;
    if (box.deliverControlKey(keyAscii)) return;
    if (keyval == GDK_KEY_BackSpace) g_signal_emit_by_name(entry, "backspace");
    else if (keyval == GDK_KEY_Return) g_signal_emit_by_name(entry, "activate");
}

void paste(TextBox& box, const std::string& text) {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
    std::string before = box.Text();
    g_signal_emit_by_name(box.widget(), "paste-clipboard");
    // The clipboard answers through the loop, even to its own process.
    waitUntil([&] { return box.Text() != before; }, std::chrono::milliseconds(500));
}

void choose(ComboBox& box, int index) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(box.widget()), index);
}

void drop(Frame& frame, const std::string& data) { frame.deliverDrop(data, 0, 0); }

void activate(Menu& menu) { gtk_menu_item_activate(GTK_MENU_ITEM(menu.item())); }

void focus(Form& form) {
    GtkWidget* window = form.window();
    if (!gtk_widget_get_realized(window)) return;
    GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
    event->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->focus_change.send_event = TRUE;
    event->focus_change.in = TRUE;
    gtk_widget_send_focus_change(window, event);
    gdk_event_free(event);
}

void closeFromWindowManager(Form& form) {
    GtkWidget* window = form.window();
    if (!gtk_widget_get_realized(window)) return;
    GdkWindow* gdkWindow = gtk_widget_get_window(window);
    GdkDisplay* display = gtk_widget_get_display(window);
    if (GDK_IS_X11_DISPLAY(display)) {
        Display* x = GDK_DISPLAY_XDISPLAY(display);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = GDK_WINDOW_XID(gdkWindow);
        event.xclient.message_type = gdk_x11_get_xatom_by_name_for_display(display, "WM_PROTOCOLS");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(gdk_x11_get_xatom_by_name_for_display(display, "WM_DELETE_WINDOW"));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(x, event.xclient.window, False, NoEventMask, &event);
        // The server has routed the message back once the round trip is done.
        XSync(x, False);
    } else {
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(gdkWindow));
        event->any.send_event = TRUE;
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
    DoEvents();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (!windows::pumpOnce(false)) g_usleep(2000);
    }
    return true;
}

void pump(std::chrono::milliseconds duration) {
    DoEvents();
    auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline)
        if (!windows::pumpOnce(false)) g_usleep(2000);
}

void later(std::function<void()> action) {
    action = [generation = laterGeneration(), action = std::move(action)] {
        if (generation == laterGeneration()) action();
    };
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, +[](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
    }, new std::function<void()>(std::move(action)), +[](gpointer data) {
        delete static_cast<std::function<void()>*>(data);
    });
    g_source_attach(idle, windows::threadContext());
    g_source_unref(idle);
}

void forgetLater() { ++laterGeneration(); }

cairo_surface_t* capture(Form& form) {
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(form.window()));
    // Layout runs on the toolkit's frame clock: wait until the form has been laid out at its size.
    waitUntil([&] {
        GtkRequisition natural;
        gtk_widget_get_preferred_size(content, nullptr, &natural);
        return gtk_widget_get_mapped(content) && gtk_widget_get_allocated_width(content) == natural.width &&
               gtk_widget_get_allocated_height(content) == natural.height;
    }, std::chrono::milliseconds(3000));
    GtkAllocation a;
    gtk_widget_get_allocation(content, &a);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(a.width, 1), std::max(a.height, 1));
    cairo_t* cr = cairo_create(surface);
    gtk_widget_draw(content, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

bool screenshot(Form& form, const std::string& path) {
    cairo_surface_t* surface = capture(form);
    bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

}  // namespace forms::drive
