#pragma once
// Forms and their intrinsic controls over GTK 3. A program's form is a class derived from Form
// whose members are its controls, constructed with the form (or a frame) as their container;
// the form's constructor wires the controls' events to its handlers:
//     cmd_OK.Click = [this] { cmd_OK_Click(); };
// Properties are pairs of overloads, Visible() to read and Visible(false) to set. Positions and
// sizes are in twips (15 per pixel). Handlers run through forms::fire, so an error escaping
// one ends that handler only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "forms/runtime.h"

struct _GtkWidget;
struct _GdkPixbuf;
struct HWND__;

namespace forms {

class Form;
class Container;

// A picture loaded from a bitmap file; empty when none.
class Picture {
public:
    Picture() = default;
    explicit operator bool() const { return pixbuf_ != nullptr; }
    int widthPixels() const;
    int heightPixels() const;
    _GdkPixbuf* pixbuf() const { return pixbuf_.get(); }
    static Picture adopt(_GdkPixbuf* pixbuf);

private:
    std::shared_ptr<_GdkPixbuf> pixbuf_;
};
// An empty path gives the empty picture; a missing file raises 53, an unreadable one 481.
Picture LoadPicture(const std::string& path);

// MousePointer values.
enum : int { vbDefault = 0, vbArrow = 1, vbHourglass = 11, vbCustom = 99 };
// Why a form is being unloaded, as Form_QueryUnload is told.
enum : int { vbFormControlMenu = 0, vbFormCode = 1 };
// Mouse buttons and shift states of MouseDown/MouseUp.
enum : int { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };
enum : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };

using MouseHandler = std::function<void(int Button, int Shift, float X, float Y)>;

// Anything that lives on a form and must hear of its unloading (controls, timers, sockets).
class Component {
public:
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    const std::string& Name() const { return name_; }
    int Index() const { return index_; }  // -1 outside a control array
    Form& ParentForm() const { return form_; }
    // The form is unloading: stop what runs (timers, connections).
    virtual void formUnloading() {}

protected:
    Component(Form& form, std::string name, int index);

private:
    Form& form_;
    std::string name_;
    int index_;
};

// A control with a widget placed on a container.
class Control : public Component {
public:
    ~Control() override;

    long Left() const { return left_; }
    long Top() const { return top_; }
    long Width() const { return width_; }
    long Height() const { return height_; }
    void Left(long twips) { Move(twips, top_, width_, height_); }
    void Top(long twips) { Move(left_, twips, width_, height_); }
    void Width(long twips) { Move(left_, top_, twips, height_); }
    void Height(long twips) { Move(left_, top_, width_, twips); }
    // A negative width or height keeps the current one.
    virtual void Move(long left, long top, long width = -1, long height = -1);

    bool Visible() const { return visible_; }
    virtual void Visible(bool visible);
    bool Enabled() const { return enabled_; }
    virtual void Enabled(bool enabled);
    const std::string& ToolTipText() const { return toolTip_; }
    void ToolTipText(const std::string& text);
    int MousePointer() const { return mousePointer_; }
    void MousePointer(int pointer);
    // The pointer shown for vbCustom (default: a hand).
    void MouseIcon(const Picture& picture) { mouseIcon_ = picture; }
    void SetFocus();

    Container& Parent() const { return parent_; }
    _GtkWidget* widget() const { return widget_; }

    std::function<void()> Click;
    MouseHandler MouseDown;
    MouseHandler MouseUp;

    // Input as the runtime receives it from the toolkit (and from the test driver).
    void deliverMouseDown(int button, int shift, float xTwips, float yTwips);
    void deliverMouseUp(int button, int shift, float xTwips, float yTwips, bool inside);

protected:
    Control(Container& parent, std::string name, int index, _GtkWidget* widget);
    // Connects press, release and pointer crossing to the Mouse events and Click.
    void listenToMouse(_GtkWidget* eventWidget);
    void cursorChanged();
    virtual void resized() {}

private:
    Container& parent_;
    _GtkWidget* widget_;
    long left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool pressed_ = false;
    std::string toolTip_;
    int mousePointer_ = vbDefault;
    Picture mouseIcon_;
    friend class Form;
};

// What holds controls: a form or a frame.
class Container {
public:
    virtual ~Container() = default;
    virtual Form& form() = 0;
    _GtkWidget* fixed() const { return fixed_; }

protected:
    _GtkWidget* fixed_ = nullptr;
};

class Timer;
class Menu;

// A top-level window with a fixed layout.
class Form : public Container {
public:
    explicit Form(std::string name);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    Form& form() override { return *this; }

    // Load runs Form_Load once; Show loads first. Modal (vbModal) runs a nested loop until
    // the form is hidden or unloaded.
    void Load();
    void Show(int modal = 0);
    void Hide();
    // Runs Form_QueryUnload and Form_Unload (either may cancel), hides the form, stops its
    // components and leaves the collection of loaded forms; a default instance is then released.
    // A close asked for by the window manager (the title bar's close, Alt+F4) unloads the same
    // way, with the mode vbFormControlMenu.
    void Unload() { unload(vbFormCode); }
    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }
    void Visible(bool visible) { visible ? Show() : Hide(); }
    bool Modal() const { return modalDepth_ > 0; }

    std::string Caption() const { return caption_; }
    void Caption(const std::string& caption);
    forms::Picture FormPicture() const { return picture_; }
    void Picture(const forms::Picture& picture);
    void Picture(const std::string& path) { Picture(LoadPicture(path)); }
    long BackColor() const { return backColor_; }
    void BackColor(long color);
    int MousePointer() const { return mousePointer_; }
    void MousePointer(int pointer);
    void MouseIcon(const forms::Picture& picture) { mouseIcon_ = picture; }

    long Left() const { return left_; }
    long Top() const { return top_; }
    long Width() const { return width_; }
    long Height() const { return height_; }
    void Move(long left, long top, long width = -1, long height = -1);
    // 0 where Move put it, 1 centred on the form that shows it, 2 centred on the screen.
    void StartUpPosition(int position) { startUpPosition_ = position; }

    // The form's window in the window layer (created on first use), for subclassing.
    HWND__* hWnd();
    _GtkWidget* window() const { return window_; }

    // The control the pointer last entered, for pointer shapes.
    void pointerOver(Control* control);
    void addComponent(Component* component);
    void removeComponent(Component* component);
    _GtkWidget* menuBar();
    // Cursor for a MousePointer value (custom: the given icon, or a hand).
    void applyCursor(int pointer, const forms::Picture& icon);

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_QueryUnload(int& Cancel, int UnloadMode) {
        (void)Cancel;
        (void)UnloadMode;
    }
    virtual void Form_Unload(int& Cancel) { (void)Cancel; }

private:
    void unload(int mode);
    template <class T> friend T& Default();
    void drawBackground(void* cr);
    void refreshCursor();

    std::string name_;
    _GtkWidget* window_ = nullptr;
    _GtkWidget* box_ = nullptr;
    _GtkWidget* menuBar_ = nullptr;
    HWND__* hwnd_ = nullptr;
    std::string caption_;
    forms::Picture picture_;
    forms::Picture mouseIcon_;
    long backColor_ = 0x8000000F;
    int mousePointer_ = vbDefault;
    long left_ = 0, top_ = 0, width_ = 4800, height_ = 3600;
    int startUpPosition_ = 2;
    bool positioned_ = false;
    bool loaded_ = false;
    bool visible_ = false;
    bool unloading_ = false;
    int modalDepth_ = 0;
    Control* pointerControl_ = nullptr;
    friend class Control;
    std::vector<Component*> components_;
    std::function<void()> release_;
    std::shared_ptr<bool> alive_;
};

// The default instance of a form class: created on first use and loaded; unloading releases
// it, so that the next use creates and loads a fresh one.
template <class T> T& Default() {
    static T* instance = nullptr;
    if (!instance) {
        instance = new T();
        instance->release_ = [] { instance = nullptr; };
    }
    instance->Load();
    return *instance;
}

// Elements by Index, created by the form as it is designed. A missing element raises 340.
template <class T> class ControlArray {
public:
    T& operator()(int index) const {
        auto it = items_.find(index);
        if (it == items_.end()) raise(errControlArrayElement);
        return *it->second;
    }
    bool exists(int index) const { return items_.count(index) != 0; }
    template <class... Args> T& add(Container& parent, const std::string& name, int index, Args&&... args) {
        auto item = std::make_unique<T>(parent, name, index, std::forward<Args>(args)...);
        T& ref = *item;
        ref.Click = [this, index] { if (Click) Click(index); };
        ref.MouseDown = [this, index](int b, int s, float x, float y) { if (MouseDown) MouseDown(index, b, s, x, y); };
        ref.MouseUp = [this, index](int b, int s, float x, float y) { if (MouseUp) MouseUp(index, b, s, x, y); };
        items_[index] = std::move(item);
        return ref;
    }
    std::vector<int> indices() const {
        std::vector<int> out;
        for (auto& [i, item] : items_) out.push_back(i);
        return out;
    }

    std::function<void(int Index)> Click;
    std::function<void(int Index, int Button, int Shift, float X, float Y)> MouseDown;
    std::function<void(int Index, int Button, int Shift, float X, float Y)> MouseUp;

private:
    std::map<int, std::unique_ptr<T>> items_;
};

// An image: shows its picture; autosizes to it unless Stretch is set.
class Image : public Control {
public:
    Image(Container& parent, std::string name, int index = -1);
    forms::Picture Picture() const { return picture_; }
    void Picture(const forms::Picture& picture);
    void Picture(const std::string& path) { Picture(LoadPicture(path)); }
    bool Stretch() const { return stretch_; }
    void Stretch(bool stretch);

private:
    void draw(void* cr);
    forms::Picture picture_;
    bool stretch_ = false;
};

// A picture box: shows its picture at the top left, clipped to its own size.
class PictureBox : public Control {
public:
    PictureBox(Container& parent, std::string name, int index = -1);
    forms::Picture Picture() const { return picture_; }
    void Picture(const forms::Picture& picture);
    void Picture(const std::string& path) { Picture(LoadPicture(path)); }
    bool AutoSize() const { return autoSize_; }
    void AutoSize(bool autoSize);

private:
    void draw(void* cr);
    forms::Picture picture_;
    bool autoSize_ = false;
};

// Text alignment of labels and text boxes.
enum : int { vbLeftJustify = 0, vbRightJustify = 1, vbCenter = 2 };

class Label : public Control {
public:
    Label(Container& parent, std::string name, int index = -1);
    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& caption);
    int Alignment() const { return alignment_; }
    void Alignment(int alignment);
    long ForeColor() const { return foreColor_; }
    void ForeColor(long color);
    double FontSize() const { return fontSize_; }
    void FontSize(double points);
    bool FontBold() const { return fontBold_; }
    void FontBold(bool bold);

private:
    void resized() override { restyle(); }
    void restyle();
    _GtkWidget* label_;
    std::string caption_;
    int alignment_ = vbLeftJustify;
    long foreColor_ = 0;
    double fontSize_ = 8.25;
    bool fontBold_ = false;
};

// A container for controls, with an optional border and caption; accepts drops of anything.
class Frame : public Control, public Container {
public:
    Frame(Container& parent, std::string name, int index = -1);
    Form& form() override { return ParentForm(); }
    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& caption);
    int BorderStyle() const { return borderStyle_; }
    void BorderStyle(int style);
    long BackColor() const { return backColor_; }
    // -1 (the default) leaves the frame transparent.
    void BackColor(long color);

    // A drop on the frame; the dropped data is passed as text (a URI list for files).
    std::function<void(const std::string& data, float X, float Y)> DragDrop;
    void deliverDrop(const std::string& data, float xTwips, float yTwips);

private:
    void draw(void* cr);
    std::string caption_;
    int borderStyle_ = 0;
    long backColor_ = -1;
};

// Key codes the text boxes pass to KeyPress for keys that insert nothing.
enum : int { vbKeyBack = 8, vbKeyReturn = 13, vbKeyEscape = 27 };

// A one-line text box. Every character that reaches it, typed or pasted, passes through
// KeyPress first: setting KeyAscii to 0 swallows it, another value replaces it. Backspace,
// Return and Escape reach KeyPress as 8, 13 and 27. Text set from code is not filtered.
class TextBox : public Control {
public:
    TextBox(Container& parent, std::string name, int index = -1);
    std::string Text() const;
    void Text(const std::string& text);
    int MaxLength() const { return maxLength_; }
    void MaxLength(int length);  // 0: no limit
    // Selection in characters.
    int SelStart() const;
    void SelStart(int start);
    int SelLength() const;
    void SelLength(int length);
    void SelText(const std::string& text);
    bool Locked() const { return locked_; }
    void Locked(bool locked);
    int Alignment() const { return alignment_; }
    void Alignment(int alignment);

    std::function<void(int& KeyAscii)> KeyPress;
    std::function<void()> Change;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;

    // The filter step, for the toolkit's insertions and the test driver's typing.
    std::string filterInsertion(const std::string& text);
    // A key that inserts nothing (8, 13, 27): true when KeyPress swallowed it.
    bool deliverControlKey(int keyAscii);

private:
    int maxLength_ = 0;
    bool locked_ = false;
    int alignment_ = vbLeftJustify;
    bool settingText_ = false;
};

// The masked edit box as the program uses it: a text box (no mask is applied).
class MaskEdBox : public TextBox {
public:
    using TextBox::TextBox;
};

enum : int { vbComboDropdown = 0, vbComboDropdownList = 2 };

// A combo box. Click fires whenever an entry becomes selected, from the user or from code
// (ListIndex, Text).
class ComboBox : public Control {
public:
    ComboBox(Container& parent, std::string name, int index = -1, int style = vbComboDropdownList);
    int Style() const { return style_; }
    void Clear();
    // index -1 appends.
    void AddItem(const std::string& item, int index = -1);
    // A bad index raises 5.
    void RemoveItem(int index);
    std::string List(int index) const;  // "" outside the list
    int ListCount() const { return static_cast<int>(items_.size()); }
    int ListIndex() const;
    void ListIndex(int index);  // -1 clears the selection; a bad index raises 380
    // The selected entry's text (for style 0 the edit text). Setting selects the equal entry;
    // a text not in a drop-down list raises 383.
    std::string Text() const;
    void Text(const std::string& text);

    std::function<void()> Change;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;

private:
    int style_;
    std::vector<std::string> items_;
    bool filling_ = false;
};

// A menu title or item; "&" marks the access key.
class Menu : public Component {
public:
    Menu(Form& form, std::string name, const std::string& caption);
    Menu(Menu& parent, std::string name, const std::string& caption);
    ~Menu() override;
    const std::string& Caption() const { return caption_; }
    void Caption(const std::string& caption);
    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled);
    bool Visible() const { return visible_; }
    void Visible(bool visible);
    _GtkWidget* item() const { return item_; }

    std::function<void()> Click;
    void activate();

private:
    _GtkWidget* item_;
    _GtkWidget* submenu_ = nullptr;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
};

// A timer: Tick fires every Interval milliseconds while Enabled and Interval > 0. A tick that
// comes due while its own handler still runs (through DoEvents) is dropped, never nested.
class Timer : public Component {
public:
    Timer(Form& form, std::string name, int index = -1);
    ~Timer() override;
    int Interval() const { return interval_; }
    void Interval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled);
    std::function<void()> Tick;
    void formUnloading() override { Enabled(false); }

private:
    void restart();
    static int onTick(void* self);
    int interval_ = 0;
    bool enabled_ = true;
    bool running_ = false;
    void* source_ = nullptr;
};

}  // namespace forms
