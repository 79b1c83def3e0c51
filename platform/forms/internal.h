#pragma once
// Shared between the runtime's own files; never included by programs.

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace forms {
class Form;
namespace internal {

// gtk_init once, on the first form or dialog.
void ensureGtk();
// The form that a dialog belongs to: the innermost modal form, else the last shown one.
GtkWindow* activeWindow();

std::vector<Form*> loadedForms();
void formLoaded(Form* form);
void formUnloaded(Form* form);
void formShown(Form* form);

// Texts of the hosted controls' error numbers (nullptr when unknown).
const char* controlErrorText(long number);

// 0x00BBGGRR, system colours (0x800000nn) as the classic grey scheme.
void colorToRgba(long color, GdkRGBA* out);

}  // namespace internal
}  // namespace forms
