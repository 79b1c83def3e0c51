#include "windows/windows.h"

#include "forms/controls.h"
#include "forms/internal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace forms {

namespace internal {

namespace {
std::vector<Form*>& loaded() {
    static std::vector<Form*> forms;
    return forms;
}
std::vector<Form*>& shownOrder() {
    static std::vector<Form*> forms;
    return forms;
}
}  // namespace

void ensureGtk() {
    static bool done = false;
    if (!done) {
        done = true;
        gtk_init(nullptr, nullptr);
    }
}

std::vector<Form*> loadedForms() { return loaded(); }

void formLoaded(Form* form) { loaded().push_back(form); }

void formUnloaded(Form* form) {
    auto& l = loaded();
    l.erase(std::remove(l.begin(), l.end(), form), l.end());
    auto& s = shownOrder();
    s.erase(std::remove(s.begin(), s.end(), form), s.end());
}

void formShown(Form* form) {
    auto& s = shownOrder();
    s.erase(std::remove(s.begin(), s.end(), form), s.end());
    s.push_back(form);
}

GtkWindow* activeWindow() {
    auto& s = shownOrder();
    for (auto it = s.rbegin(); it != s.rend(); ++it)
        if ((*it)->Modal() && (*it)->Visible()) return GTK_WINDOW((*it)->window());
    for (auto it = s.rbegin(); it != s.rend(); ++it)
        if ((*it)->Visible()) return GTK_WINDOW((*it)->window());
    return nullptr;
}

void colorToRgba(long color, GdkRGBA* out) {
    unsigned long c = static_cast<unsigned long>(color);
    if (c & 0x80000000UL) {
        switch (c & 0xFF) {
        case 0x05: c = 0xFFFFFF; break;  // window background
        case 0x08: case 0x12: case 0x07: c = 0x000000; break;  // texts
        default: c = 0xF0F0F0; break;  // button face and the rest
        }
    }
    out->red = static_cast<double>(c & 0xFF) / 255.0;
    out->green = static_cast<double>((c >> 8) & 0xFF) / 255.0;
    out->blue = static_cast<double>((c >> 16) & 0xFF) / 255.0;
    out->alpha = 1.0;
}

}  // namespace internal

namespace {

int mouseButton(guint button) {
    switch (button) {
    case 1: return vbLeftButton;
    case 2: return vbMiddleButton;
    case 3: return vbRightButton;
    default: return 0;
    }
}

int shiftState(guint state) {
    int shift = 0;
    if (state & GDK_SHIFT_MASK) shift |= vbShiftMask;
    if (state & GDK_CONTROL_MASK) shift |= vbCtrlMask;
    if (state & GDK_MOD1_MASK) shift |= vbAltMask;
    return shift;
}

std::string mnemonic(const std::string& caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        char c = caption[i];
        if (c == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

void fillColor(cairo_t* cr, long color, double w, double h) {
    GdkRGBA rgba;
    internal::colorToRgba(color, &rgba);
    gdk_cairo_set_source_rgba(cr, &rgba);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
}

void paintPicture(cairo_t* cr, const Picture& picture, double w, double h, bool stretch) {
    if (!picture) return;
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_clip(cr);
    if (stretch && picture.widthPixels() > 0 && picture.heightPixels() > 0)
        cairo_scale(cr, w / picture.widthPixels(), h / picture.heightPixels());
    gdk_cairo_set_source_pixbuf(cr, picture.pixbuf(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace

// Picture

int Picture::widthPixels() const { return pixbuf_ ? gdk_pixbuf_get_width(pixbuf_.get()) : 0; }
int Picture::heightPixels() const { return pixbuf_ ? gdk_pixbuf_get_height(pixbuf_.get()) : 0; }

Picture Picture::adopt(GdkPixbuf* pixbuf) {
    Picture p;
    if (pixbuf) p.pixbuf_ = std::shared_ptr<GdkPixbuf>(pixbuf, [](GdkPixbuf* b) { g_object_unref(b); });
    return p;
}

Picture LoadPicture(const std::string& path) {
    if (path.empty()) return {};
    std::string file = nativePath(path);
    struct stat st {};
    if (stat(file.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) raise(errFileNotFound);
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(file.c_str(), &error);
    if (!pixbuf) {
        if (error) g_error_free(error);
        raise(errInvalidPicture);
    }
    return Picture::adopt(pixbuf);
}

// Component

Component::Component(Form& form, std::string name, int index) : form_(form), name_(std::move(name)), index_(index) {
    form_.addComponent(this);
}

Component::~Component() { form_.removeComponent(this); }

// Control

Control::Control(Container& parent, std::string name, int index, GtkWidget* widget)
    : Component(parent.form(), std::move(name), index), parent_(parent), widget_(widget) {
    g_object_ref_sink(widget_);
    gtk_fixed_put(GTK_FIXED(parent.fixed()), widget_, 0, 0);
    gtk_widget_show(widget_);
}

Control::~Control() {
    if (ParentForm().pointerControl_ == this) ParentForm().pointerControl_ = nullptr;
    g_signal_handlers_disconnect_matched(widget_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    gtk_widget_destroy(widget_);
    g_object_unref(widget_);
}

void Control::Move(long left, long top, long width, long height) {
    left_ = left;
    top_ = top;
    if (width >= 0) width_ = width;
    if (height >= 0) height_ = height;
    gtk_fixed_move(GTK_FIXED(parent_.fixed()), widget_, toPixels(left_), toPixels(top_));
    gtk_widget_set_size_request(widget_, toPixels(width_), toPixels(height_));
    resized();
}

void Control::Visible(bool visible) {
    visible_ = visible;
    gtk_widget_set_visible(widget_, visible);
}

void Control::Enabled(bool enabled) {
    enabled_ = enabled;
    gtk_widget_set_sensitive(widget_, enabled);
}

void Control::ToolTipText(const std::string& text) {
    toolTip_ = text;
    gtk_widget_set_tooltip_text(widget_, text.empty() ? nullptr : text.c_str());
}

void Control::MousePointer(int pointer) {
    mousePointer_ = pointer;
    cursorChanged();
}

void Control::cursorChanged() {
    if (ParentForm().pointerControl_ == this) ParentForm().pointerOver(this);
}

void Control::SetFocus() {
    // Like the classic runtime: focus cannot go to a hidden or disabled control.
    for (GtkWidget* w = widget_; w && w != ParentForm().fixed(); w = gtk_widget_get_parent(w))
        if (!gtk_widget_get_visible(w) || !gtk_widget_get_sensitive(w)) raise(errInvalidProcedureCall);
    if (!ParentForm().Visible()) raise(errInvalidProcedureCall);
    GtkWidget* target = widget_;
    if (GTK_IS_COMBO_BOX(widget_) && gtk_combo_box_get_has_entry(GTK_COMBO_BOX(widget_)))
        target = gtk_bin_get_child(GTK_BIN(widget_));
    gtk_widget_set_can_focus(target, TRUE);
    // From code the caret stays where the GotFocus handler puts it.
    if (GTK_IS_ENTRY(target)) gtk_entry_grab_focus_without_selecting(GTK_ENTRY(target));
    else gtk_widget_grab_focus(target);
}

void Control::deliverMouseDown(int button, int shift, float x, float y) {
    if (!enabled_ || !visible_) return;
    pressed_ = button == vbLeftButton;
    fire([&] {
        if (MouseDown) MouseDown(button, shift, x, y);
    });
}

void Control::deliverMouseUp(int button, int shift, float x, float y, bool inside) {
    if (!enabled_) return;
    bool click = pressed_ && button == vbLeftButton && inside;
    pressed_ = false;
    fire([&] {
        if (MouseUp) MouseUp(button, shift, x, y);
    });
    if (click) fire(Click);
}

void Control::listenToMouse(GtkWidget* w) {
    gtk_widget_add_events(w, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK |
                                 GDK_LEAVE_NOTIFY_MASK);
    g_signal_connect(w, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, Control* self) -> gboolean {
                         if (e->type != GDK_BUTTON_PRESS) return TRUE;
                         self->deliverMouseDown(mouseButton(e->button), shiftState(e->state),
                                                static_cast<float>(e->x * kTwipsPerPixel),
                                                static_cast<float>(e->y * kTwipsPerPixel));
                         return TRUE;
                     }),
                     this);
    g_signal_connect(w, "button-release-event",
                     G_CALLBACK(+[](GtkWidget* widget, GdkEventButton* e, Control* self) -> gboolean {
                         GtkAllocation a;
                         gtk_widget_get_allocation(widget, &a);
                         bool inside = e->x >= 0 && e->y >= 0 && e->x < a.width && e->y < a.height;
                         self->deliverMouseUp(mouseButton(e->button), shiftState(e->state),
                                              static_cast<float>(e->x * kTwipsPerPixel),
                                              static_cast<float>(e->y * kTwipsPerPixel), inside);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(w, "enter-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, Control* self) -> gboolean {
                         self->ParentForm().pointerOver(self);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(w, "leave-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, Control* self) -> gboolean {
                         self->ParentForm().pointerOver(nullptr);
                         return FALSE;
                     }),
                     this);
}

// Form

namespace {
LRESULT formWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

Form::Form(std::string name) : name_(std::move(name)), alive_(std::make_shared<bool>(true)) {
    internal::ensureGtk();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    box_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    fixed_ = gtk_fixed_new();
    gtk_box_pack_end(GTK_BOX(box_), fixed_, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(window_), box_);
    gtk_widget_show(fixed_);
    gtk_widget_show(box_);
    gtk_widget_set_size_request(fixed_, toPixels(width_), toPixels(height_));
    caption_ = name_;
    gtk_window_set_title(GTK_WINDOW(window_), caption_.c_str());
    g_signal_connect(fixed_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, Form* self) -> gboolean {
                         self->drawBackground(cr);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, Form* self) -> gboolean {
                         self->unload(vbFormControlMenu);
                         return TRUE;
                     }),
                     this);
    g_signal_connect(window_, "realize", G_CALLBACK(+[](GtkWidget*, Form* self) { self->refreshCursor(); }), this);
}

Form::~Form() {
    *alive_ = false;
    if (loaded_) internal::formUnloaded(this);
    if (hwnd_) DestroyWindow(hwnd_);
    g_signal_handlers_disconnect_matched(window_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    g_signal_handlers_disconnect_matched(fixed_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    gtk_widget_destroy(window_);
    g_object_unref(window_);
}

void Form::Load() {
    if (loaded_) return;
    loaded_ = true;
    internal::formLoaded(this);
    fire([this] { Form_Load(); });
}

void Form::Show(int modal) {
    Load();
    if (!loaded_) return;
    if (!visible_) {
        if (startUpPosition_ == 2 && !positioned_) gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
        if (modal) {
            GtkWindow* owner = internal::activeWindow();
            if (owner && owner != GTK_WINDOW(window_)) gtk_window_set_transient_for(GTK_WINDOW(window_), owner);
        }
        visible_ = true;
        internal::formShown(this);
        gtk_widget_show(window_);
        if (hwnd_) ShowWindow(hwnd_, SW_SHOW);
        fire([this] { Form_Activate(); });
    }
    if (!modal || !loaded_ || !visible_) return;
    auto alive = alive_;
    ++modalDepth_;
    gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
    while (*alive && loaded_ && visible_) windows::pumpOnce(true);
    if (!*alive) return;
    --modalDepth_;
    if (modalDepth_ == 0) gtk_window_set_modal(GTK_WINDOW(window_), FALSE);
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    gtk_widget_hide(window_);
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Form::unload(int mode) {
    if (!loaded_ || unloading_) return;
    int cancel = 0;
    auto alive = alive_;
    fire([&] { Form_QueryUnload(cancel, mode); });
    // The query may have answered by unloading the form itself.
    if (!*alive || cancel || !loaded_) return;
    unloading_ = true;
    fire([&] { Form_Unload(cancel); });
    if (!*alive) return;
    unloading_ = false;
    if (cancel) return;
    Hide();
    for (Component* c : std::vector<Component*>(components_)) c->formUnloading();
    loaded_ = false;
    internal::formUnloaded(this);
    if (hwnd_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    if (release_) {
        auto release = std::move(release_);
        release_ = nullptr;
        release();
        // The instance may be unloading itself from one of its own handlers; it goes once they end.
        GSource* idle = g_idle_source_new();
        g_source_set_callback(idle, +[](gpointer form) -> gboolean {
            delete static_cast<Form*>(form);
            return G_SOURCE_REMOVE;
        }, this, nullptr);
        g_source_attach(idle, windows::threadContext());
        g_source_unref(idle);
    }
}

void Form::Caption(const std::string& caption) {
    caption_ = caption;
    gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
    if (hwnd_) SetWindowTextA(hwnd_, caption.c_str());
}

void Form::Picture(const forms::Picture& picture) {
    picture_ = picture;
    gtk_widget_queue_draw(fixed_);
}

void Form::BackColor(long color) {
    backColor_ = color;
    gtk_widget_queue_draw(fixed_);
}

void Form::drawBackground(void* context) {
    auto* cr = static_cast<cairo_t*>(context);
    GtkAllocation a;
    gtk_widget_get_allocation(fixed_, &a);
    fillColor(cr, backColor_, a.width, a.height);
    paintPicture(cr, picture_, a.width, a.height, false);
}

void Form::MousePointer(int pointer) {
    mousePointer_ = pointer;
    refreshCursor();
}

void Form::pointerOver(Control* control) {
    pointerControl_ = control;
    refreshCursor();
}

void Form::refreshCursor() {
    // A form's own pointer other than the default covers its controls too (an hourglass must
    // show wherever the user points).
    if (mousePointer_ != vbDefault || !pointerControl_) applyCursor(mousePointer_, mouseIcon_);
    else applyCursor(pointerControl_->mousePointer_, pointerControl_->mouseIcon_);
}

void Form::applyCursor(int pointer, const forms::Picture& icon) {
    GdkWindow* w = gtk_widget_get_window(window_);
    if (!w) return;
    GdkDisplay* display = gdk_window_get_display(w);
    GdkCursor* cursor = nullptr;
    switch (pointer) {
    case vbArrow: cursor = gdk_cursor_new_from_name(display, "default"); break;
    case vbHourglass: cursor = gdk_cursor_new_from_name(display, "wait"); break;
    case vbCustom:
        cursor = icon ? gdk_cursor_new_from_pixbuf(display, icon.pixbuf(), 0, 0)
                      : gdk_cursor_new_from_name(display, "pointer");
        break;
    default: break;
    }
    gdk_window_set_cursor(w, cursor);
    if (cursor) g_object_unref(cursor);
}

void Form::Move(long left, long top, long width, long height) {
    left_ = left;
    top_ = top;
    if (width >= 0) width_ = width;
    if (height >= 0) height_ = height;
    positioned_ = true;
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_NONE);
    gtk_window_move(GTK_WINDOW(window_), toPixels(left_), toPixels(top_));
    gtk_widget_set_size_request(fixed_, toPixels(width_), toPixels(height_));
}

HWND Form::hWnd() {
    if (!hwnd_) {
        static ATOM atom = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = formWindowProc;
            wc.lpszClassName = "FormsRuntimeForm";
            return RegisterClassA(&wc);
        }();
        (void)atom;
        hwnd_ = CreateWindowExA(0, "FormsRuntimeForm", caption_.c_str(), WS_POPUP, toPixels(left_), toPixels(top_),
                                toPixels(width_), toPixels(height_), nullptr, nullptr, nullptr, nullptr);
        // The window layer shows a child window only while its parent is shown.
        if (visible_) ShowWindow(hwnd_, SW_SHOW);
    }
    return hwnd_;
}

void Form::addComponent(Component* component) { components_.push_back(component); }

void Form::removeComponent(Component* component) {
    components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
}

GtkWidget* Form::menuBar() {
    if (!menuBar_) {
        menuBar_ = gtk_menu_bar_new();
        gtk_box_pack_start(GTK_BOX(box_), menuBar_, FALSE, FALSE, 0);
        gtk_widget_show(menuBar_);
    }
    return menuBar_;
}

// Image and PictureBox

Image::Image(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, gtk_event_box_new()) {
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget()), FALSE);
    g_signal_connect(widget(), "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, Image* self) -> gboolean {
                         self->draw(cr);
                         return FALSE;
                     }),
                     this);
    listenToMouse(widget());
}

void Image::Picture(const forms::Picture& picture) {
    picture_ = picture;
    if (!stretch_ && picture_)
        Move(Left(), Top(), toTwips(picture_.widthPixels()), toTwips(picture_.heightPixels()));
    gtk_widget_queue_draw(widget());
}

void Image::Stretch(bool stretch) {
    stretch_ = stretch;
    gtk_widget_queue_draw(widget());
}

void Image::draw(void* context) {
    GtkAllocation a;
    gtk_widget_get_allocation(widget(), &a);
    paintPicture(static_cast<cairo_t*>(context), picture_, a.width, a.height, stretch_);
}

PictureBox::PictureBox(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, gtk_event_box_new()) {
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget()), FALSE);
    g_signal_connect(widget(), "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, PictureBox* self) -> gboolean {
                         self->draw(cr);
                         return FALSE;
                     }),
                     this);
    listenToMouse(widget());
}

void PictureBox::Picture(const forms::Picture& picture) {
    picture_ = picture;
    if (autoSize_ && picture_)
        Move(Left(), Top(), toTwips(picture_.widthPixels()), toTwips(picture_.heightPixels()));
    gtk_widget_queue_draw(widget());
}

void PictureBox::AutoSize(bool autoSize) {
    autoSize_ = autoSize;
    Picture(picture_);
}

void PictureBox::draw(void* context) {
    GtkAllocation a;
    gtk_widget_get_allocation(widget(), &a);
    paintPicture(static_cast<cairo_t*>(context), picture_, a.width, a.height, false);
}

// Label

Label::Label(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, gtk_event_box_new()), label_(gtk_label_new("")) {
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget()), FALSE);
    gtk_label_set_line_wrap(GTK_LABEL(label_), TRUE);
    gtk_label_set_line_wrap_mode(GTK_LABEL(label_), PANGO_WRAP_WORD_CHAR);
    gtk_widget_set_valign(label_, GTK_ALIGN_START);
    gtk_container_add(GTK_CONTAINER(widget()), label_);
    gtk_widget_show(label_);
    listenToMouse(widget());
    restyle();
}

void Label::Caption(const std::string& caption) {
    caption_ = caption;
    gtk_label_set_text(GTK_LABEL(label_), caption.c_str());
}

void Label::Alignment(int alignment) {
    alignment_ = alignment;
    restyle();
}

void Label::ForeColor(long color) {
    foreColor_ = color;
    restyle();
}

void Label::FontSize(double points) {
    fontSize_ = points;
    restyle();
}

void Label::FontBold(bool bold) {
    fontBold_ = bold;
    restyle();
}

void Label::restyle() {
    float x = alignment_ == vbRightJustify ? 1.0f : alignment_ == vbCenter ? 0.5f : 0.0f;
    gtk_label_set_xalign(GTK_LABEL(label_), x);
    gtk_label_set_justify(GTK_LABEL(label_), alignment_ == vbRightJustify ? GTK_JUSTIFY_RIGHT
                                             : alignment_ == vbCenter     ? GTK_JUSTIFY_CENTER
                                                                          : GTK_JUSTIFY_LEFT);
    GdkRGBA rgba;
    internal::colorToRgba(foreColor_, &rgba);
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_foreground_new(static_cast<guint16>(rgba.red * 65535),
                                                            static_cast<guint16>(rgba.green * 65535),
                                                            static_cast<guint16>(rgba.blue * 65535)));
    pango_attr_list_insert(attrs, pango_attr_size_new(static_cast<int>(fontSize_ * PANGO_SCALE)));
    pango_attr_list_insert(attrs, pango_attr_weight_new(fontBold_ ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL));
    gtk_label_set_attributes(GTK_LABEL(label_), attrs);
    pango_attr_list_unref(attrs);
    // A label of a given width wraps within it: its text's natural width would otherwise widen the
    // label, and the form around it, past that width.
    const int width = toPixels(Width());
    int chars = -1;
    if (width > 0) {
        PangoContext* context = gtk_widget_get_pango_context(label_);
        PangoFontMetrics* metrics = pango_context_get_metrics(context, pango_context_get_font_description(context), nullptr);
        const int charWidth = std::max(1, PANGO_PIXELS(std::max(pango_font_metrics_get_approximate_char_width(metrics),
                                                                pango_font_metrics_get_approximate_digit_width(metrics))));
        pango_font_metrics_unref(metrics);
        chars = std::max(1, width / charWidth);
    }
    gtk_label_set_max_width_chars(GTK_LABEL(label_), chars);
    gtk_widget_set_size_request(label_, width > 0 ? width : -1, -1);
}

// Frame

Frame::Frame(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, gtk_event_box_new()) {
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(widget()), FALSE);
    fixed_ = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(widget()), fixed_);
    gtk_widget_show(fixed_);
    g_signal_connect(widget(), "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, Frame* self) -> gboolean {
                         self->draw(cr);
                         return FALSE;
                     }),
                     this);
    listenToMouse(widget());
    static const GtkTargetEntry targets[] = {
        {const_cast<gchar*>("text/uri-list"), 0, 0},
        {const_cast<gchar*>("text/plain"), 0, 1},
        {const_cast<gchar*>("STRING"), 0, 2},
    };
    gtk_drag_dest_set(widget(), GTK_DEST_DEFAULT_ALL, targets, 3,
                      static_cast<GdkDragAction>(GDK_ACTION_COPY | GDK_ACTION_MOVE | GDK_ACTION_LINK));
    g_signal_connect(widget(), "drag-data-received",
                     G_CALLBACK(+[](GtkWidget*, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint,
                                    guint, Frame* self) {
                         const guchar* bytes = gtk_selection_data_get_data(data);
                         int length = gtk_selection_data_get_length(data);
                         std::string text = bytes && length > 0
                                                ? std::string(reinterpret_cast<const char*>(bytes), length)
                                                : std::string();
                         self->deliverDrop(text, static_cast<float>(toTwips(x)), static_cast<float>(toTwips(y)));
                     }),
                     this);
}

void Frame::deliverDrop(const std::string& data, float x, float y) {
    if (!Enabled()) return;
    fire([&] {
        if (DragDrop) DragDrop(data, x, y);
    });
}

void Frame::Caption(const std::string& caption) {
    caption_ = caption;
    gtk_widget_queue_draw(widget());
}

void Frame::BorderStyle(int style) {
    borderStyle_ = style;
    gtk_widget_queue_draw(widget());
}

void Frame::BackColor(long color) {
    backColor_ = color;
    gtk_widget_queue_draw(widget());
}

void Frame::draw(void* context) {
    auto* cr = static_cast<cairo_t*>(context);
    GtkAllocation a;
    gtk_widget_get_allocation(widget(), &a);
    if (backColor_ != -1) fillColor(cr, backColor_, a.width, a.height);
    if (borderStyle_ == 0) return;
    double top = 0.5;
    PangoLayout* layout = nullptr;
    if (!caption_.empty()) {
        layout = gtk_widget_create_pango_layout(widget(), caption_.c_str());
        int tw = 0, th = 0;
        pango_layout_get_pixel_size(layout, &tw, &th);
        top = th / 2 + 0.5;
    }
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, 0.5, top, a.width - 1.0, a.height - top - 0.5);
    cairo_stroke(cr);
    if (layout) {
        int tw = 0, th = 0;
        pango_layout_get_pixel_size(layout, &tw, &th);
        GdkRGBA face;
        internal::colorToRgba(backColor_ == -1 ? 0x8000000FL : backColor_, &face);
        gdk_cairo_set_source_rgba(cr, &face);
        cairo_rectangle(cr, 6, 0, tw + 4, th);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_move_to(cr, 8, 0);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    }
}

// TextBox

namespace {

void appendUtf8(std::string& out, gunichar c) {
    char buffer[8];
    int n = g_unichar_to_utf8(c, buffer);
    out.append(buffer, static_cast<std::size_t>(n));
}

void onInsertText(GtkEditable* editable, const gchar* text, gint length, gint* position, TextBox* self) {
    std::string original = length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
    std::string filtered = self->filterInsertion(original);
    if (filtered == original) return;
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(onInsertText), self);
    if (!filtered.empty()) gtk_editable_insert_text(editable, filtered.c_str(), static_cast<gint>(filtered.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(onInsertText), self);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

}  // namespace

TextBox::TextBox(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, gtk_entry_new()) {
    GtkWidget* entry = widget();
    // The box takes the width it is given, however narrow, rather than room for its default text.
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
    g_signal_connect(entry, "insert-text", G_CALLBACK(onInsertText), this);
    g_signal_connect(entry, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* e, TextBox* self) -> gboolean {
                         int code = 0;
                         switch (e->keyval) {
                         case GDK_KEY_BackSpace: code = vbKeyBack; break;
                         case GDK_KEY_Return: case GDK_KEY_KP_Enter: code = vbKeyReturn; break;
                         case GDK_KEY_Escape: code = vbKeyEscape; break;
                         default: return FALSE;
                         }
                         return self->deliverControlKey(code) ? TRUE : FALSE;
                     }),
                     this);
    g_signal_connect(entry, "changed", G_CALLBACK(+[](GtkEditable*, TextBox* self) { fire(self->Change); }), this);
    g_signal_connect(entry, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TextBox* self) -> gboolean {
                         fire(self->GotFocus);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(entry, "focus-out-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TextBox* self) -> gboolean {
                         fire(self->LostFocus);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(entry, "enter-notify-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, TextBox* self) -> gboolean {
                         self->ParentForm().pointerOver(self);
                         return FALSE;
                     }),
                     this);
}

std::string TextBox::filterInsertion(const std::string& text) {
    if (settingText_ || !KeyPress) return text;
    std::string out;
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            c = static_cast<unsigned char>(*p);
            ++p;
        } else {
            p = g_utf8_next_char(p);
        }
        int keyAscii = static_cast<int>(c);
        fire([&] { KeyPress(keyAscii); });
        if (keyAscii > 0) appendUtf8(out, static_cast<gunichar>(keyAscii));
    }
    return out;
}

bool TextBox::deliverControlKey(int keyAscii) {
    if (!Enabled() || !KeyPress) return false;
    int code = keyAscii;
    fire([&] { KeyPress(code); });
    return code == 0;
}

std::string TextBox::Text() const { return gtk_entry_get_text(GTK_ENTRY(widget())); }

void TextBox::Text(const std::string& text) {
    settingText_ = true;
    gtk_entry_set_text(GTK_ENTRY(widget()), text.c_str());
    settingText_ = false;
}

void TextBox::MaxLength(int length) {
    maxLength_ = length;
    gtk_entry_set_max_length(GTK_ENTRY(widget()), length);
}

int TextBox::SelStart() const {
    gint start = 0, end = 0;
    if (gtk_editable_get_selection_bounds(GTK_EDITABLE(widget()), &start, &end)) return std::min(start, end);
    return gtk_editable_get_position(GTK_EDITABLE(widget()));
}

void TextBox::SelStart(int start) {
    int length = static_cast<int>(g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(widget())), -1));
    start = std::clamp(start, 0, length);
    gtk_editable_select_region(GTK_EDITABLE(widget()), start, start);
    gtk_editable_set_position(GTK_EDITABLE(widget()), start);
}

int TextBox::SelLength() const {
    gint start = 0, end = 0;
    if (gtk_editable_get_selection_bounds(GTK_EDITABLE(widget()), &start, &end)) return std::abs(end - start);
    return 0;
}

void TextBox::SelLength(int length) {
    int start = SelStart();
    int total = static_cast<int>(g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(widget())), -1));
    int end = std::clamp(start + length, start, total);
    gtk_editable_select_region(GTK_EDITABLE(widget()), start, end);
}

void TextBox::SelText(const std::string& text) {
    settingText_ = true;
    gtk_editable_delete_selection(GTK_EDITABLE(widget()));
    gint position = gtk_editable_get_position(GTK_EDITABLE(widget()));
    gtk_editable_insert_text(GTK_EDITABLE(widget()), text.c_str(), static_cast<gint>(text.size()), &position);
    gtk_editable_set_position(GTK_EDITABLE(widget()), position);
    settingText_ = false;
}

void TextBox::Locked(bool locked) {
    locked_ = locked;
    gtk_editable_set_editable(GTK_EDITABLE(widget()), !locked);
}

void TextBox::Alignment(int alignment) {
    alignment_ = alignment;
    gtk_entry_set_alignment(GTK_ENTRY(widget()), alignment == vbRightJustify ? 1.0f
                                                 : alignment == vbCenter     ? 0.5f
                                                                             : 0.0f);
}

// ComboBox

ComboBox::ComboBox(Container& parent, std::string name, int index, int style)
    : Control(parent, std::move(name), index,
              style == vbComboDropdown ? gtk_combo_box_text_new_with_entry() : gtk_combo_box_text_new()),
      style_(style) {
    g_signal_connect(widget(), "changed", G_CALLBACK(+[](GtkComboBox* box, ComboBox* self) {
                         if (self->filling_) return;
                         if (gtk_combo_box_get_active(box) >= 0) fire(self->Click);
                         else fire(self->Change);
                     }),
                     this);
    GtkWidget* focusWidget = widget();
    if (style == vbComboDropdown) {
        focusWidget = gtk_bin_get_child(GTK_BIN(widget()));
        gtk_widget_show(focusWidget);
    }
    g_signal_connect(focusWidget, "focus-in-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, ComboBox* self) -> gboolean {
                         fire(self->GotFocus);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(focusWidget, "focus-out-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, ComboBox* self) -> gboolean {
                         fire(self->LostFocus);
                         return FALSE;
                     }),
                     this);
}

void ComboBox::Clear() {
    filling_ = true;
    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(widget()));
    if (style_ == vbComboDropdown) gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget()))), "");
    filling_ = false;
    items_.clear();
}

void ComboBox::AddItem(const std::string& item, int index) {
    if (index < -1 || index > ListCount()) raise(errInvalidProcedureCall);
    if (index == -1) index = ListCount();
    items_.insert(items_.begin() + index, item);
    filling_ = true;
    gtk_combo_box_text_insert_text(GTK_COMBO_BOX_TEXT(widget()), index, item.c_str());
    filling_ = false;
}

void ComboBox::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) raise(errInvalidProcedureCall);
    items_.erase(items_.begin() + index);
    filling_ = true;
    gtk_combo_box_text_remove(GTK_COMBO_BOX_TEXT(widget()), index);
    filling_ = false;
}

std::string ComboBox::List(int index) const {
    if (index < 0 || index >= ListCount()) return {};
    return items_[static_cast<std::size_t>(index)];
}

int ComboBox::ListIndex() const { return gtk_combo_box_get_active(GTK_COMBO_BOX(widget())); }

void ComboBox::ListIndex(int index) {
    if (index < -1 || index >= ListCount()) raise(errInvalidPropertyValue);
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget()), index);
}

std::string ComboBox::Text() const {
    if (style_ == vbComboDropdown) return gtk_entry_get_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget()))));
    int i = ListIndex();
    return i >= 0 ? items_[static_cast<std::size_t>(i)] : std::string();
}

void ComboBox::Text(const std::string& text) {
    auto it = std::find(items_.begin(), items_.end(), text);
    if (it != items_.end()) {
        ListIndex(static_cast<int>(it - items_.begin()));
        return;
    }
    if (style_ != vbComboDropdown) raise(errTextReadOnly);
    filling_ = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(widget()), -1);
    gtk_entry_set_text(GTK_ENTRY(gtk_bin_get_child(GTK_BIN(widget()))), text.c_str());
    filling_ = false;
}

// Menu

Menu::Menu(Form& form, std::string name, const std::string& caption)
    : Component(form, std::move(name), -1), item_(gtk_menu_item_new_with_mnemonic(mnemonic(caption).c_str())),
      caption_(caption) {
    g_object_ref_sink(item_);
    gtk_menu_shell_append(GTK_MENU_SHELL(form.menuBar()), item_);
    gtk_widget_show(item_);
    g_signal_connect(item_, "activate", G_CALLBACK(+[](GtkMenuItem*, Menu* self) { self->activate(); }), this);
}

Menu::Menu(Menu& parent, std::string name, const std::string& caption)
    : Component(parent.ParentForm(), std::move(name), -1),
      item_(gtk_menu_item_new_with_mnemonic(mnemonic(caption).c_str())), caption_(caption) {
    g_object_ref_sink(item_);
    if (!parent.submenu_) {
        parent.submenu_ = gtk_menu_new();
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(parent.item_), parent.submenu_);
    }
    gtk_menu_shell_append(GTK_MENU_SHELL(parent.submenu_), item_);
    gtk_widget_show(item_);
    g_signal_connect(item_, "activate", G_CALLBACK(+[](GtkMenuItem*, Menu* self) { self->activate(); }), this);
}

Menu::~Menu() {
    g_signal_handlers_disconnect_matched(item_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    gtk_widget_destroy(item_);
    g_object_unref(item_);
}

void Menu::activate() {
    if (enabled_ && !submenu_) fire(Click);
}

void Menu::Caption(const std::string& caption) {
    caption_ = caption;
    gtk_menu_item_set_label(GTK_MENU_ITEM(item_), mnemonic(caption).c_str());
}

void Menu::Enabled(bool enabled) {
    enabled_ = enabled;
    gtk_widget_set_sensitive(item_, enabled);
}

void Menu::Visible(bool visible) {
    visible_ = visible;
    gtk_widget_set_visible(item_, visible);
}

// Timer

Timer::Timer(Form& form, std::string name, int index) : Component(form, std::move(name), index) {}

Timer::~Timer() {
    if (source_) {
        g_source_destroy(static_cast<GSource*>(source_));
        g_source_unref(static_cast<GSource*>(source_));
    }
}

void Timer::Interval(int milliseconds) {
    if (milliseconds < 0 || milliseconds > 65535) raise(errInvalidPropertyValue);
    interval_ = milliseconds;
    restart();
}

void Timer::Enabled(bool enabled) {
    enabled_ = enabled;
    restart();
}

void Timer::restart() {
    if (source_) {
        g_source_destroy(static_cast<GSource*>(source_));
        g_source_unref(static_cast<GSource*>(source_));
        source_ = nullptr;
    }
    if (!enabled_ || interval_ <= 0) return;
    GSource* source = g_timeout_source_new(static_cast<guint>(interval_));
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(&Timer::onTick), this, nullptr);
    g_source_attach(source, windows::threadContext());
    source_ = source;
}

int Timer::onTick(void* data) {
    auto* self = static_cast<Timer*>(data);
    if (self->running_) return G_SOURCE_CONTINUE;
    self->running_ = true;
    fire(self->Tick);
    self->running_ = false;
    return G_SOURCE_CONTINUE;
}

}  // namespace forms
