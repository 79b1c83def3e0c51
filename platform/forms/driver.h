#pragma once
// Drives forms as a user would, for tests: clicks, typing, pasting, list choices, drops, and
// pictures of a form.

#include <chrono>
#include <functional>
#include <string>

#include "forms/controls.h"

struct _cairo_surface;

namespace forms::drive {

// Press and release of a mouse button at the middle of the control (or at x, y in twips),
// through the toolkit's event path.
void click(Control& control, int button = vbLeftButton);
void press(Control& control, int button = vbLeftButton);
void release(Control& control, int button = vbLeftButton);
// Types the text at the caret, character by character, replacing a selection.
void type(TextBox& box, const std::string& text);
// A key that inserts nothing: vbKeyBack, vbKeyReturn or vbKeyEscape.
void key(TextBox& box, int keyAscii);
// Puts the text on the clipboard and pastes it into the box.
void paste(TextBox& box, const std::string& text);
// Picks a list entry as the user does in the drop-down.
void choose(ComboBox& box, int index);
void drop(Frame& frame, const std::string& data);
void activate(Menu& menu);
// Gives the form's window the input focus (no window manager under Xvfb does).
void focus(Form& form);
// Asks the form's window to close as a window manager does for the title bar's close button
// or Alt+F4: a WM_DELETE_WINDOW message through the X server (on other displays, the toolkit's
// delete event), then runs the loop until it has been handled.
void closeFromWindowManager(Form& form);

// Runs the loop until the condition holds or the time is up; returns the condition.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
// Runs whatever is pending; then the loop for the given time.
void pump(std::chrono::milliseconds duration = std::chrono::milliseconds(0));
// Runs the action from the loop once the current call blocks in a modal loop (or right away
// at the next pump).
void later(std::function<void()> action);
// Actions given to later that have not run yet never will: a test's actions end with the test.
void forgetLater();

// The form's client area as drawn now (ARGB32); the caller destroys it.
_cairo_surface* capture(Form& form);
// The same, written as a PNG file.
bool screenshot(Form& form, const std::string& path);

}  // namespace forms::drive
