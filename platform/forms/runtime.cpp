#include "windows/windows.h"

#include "forms/runtime.h"
#include "forms/controls.h"
#include "forms/internal.h"

#include <gtk/gtk.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <utility>

namespace forms {

namespace {

const std::map<long, const char*>& errorTexts() {
    static const std::map<long, const char*> texts = {
        {3, "Return without GoSub"},
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {7, "Out of memory"},
        {9, "Subscript out of range"},
        {11, "Division by zero"},
        {13, "Type mismatch"},
        {28, "Out of stack space"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {54, "Bad file mode"},
        {55, "File already open"},
        {57, "Device I/O error"},
        {58, "File already exists"},
        {61, "Disk full"},
        {62, "Input past end of file"},
        {67, "Too many files"},
        {68, "Device unavailable"},
        {70, "Permission denied"},
        {71, "Disk not ready"},
        {75, "Path/File access error"},
        {76, "Path not found"},
        {91, "Object variable or With block variable not set"},
        {94, "Invalid use of Null"},
        {340, "Control array element doesn't exist"},
        {380, "Invalid property value"},
        {383, "'Text' property is read-only"},
        {424, "Object required"},
        {438, "Object doesn't support this property or method"},
        {481, "Invalid picture"},
        {32755, "Cancel was selected."},
    };
    return texts;
}

UnhandledErrorHook& unhandledHook() {
    static UnhandledErrorHook hook;
    return hook;
}
MsgBoxHook& msgBoxHook() {
    static MsgBoxHook hook;
    return hook;
}
BeepHook& beepHook() {
    static BeepHook hook;
    return hook;
}
NowSource& nowSource() {
    static NowSource source;
    return source;
}
RandomSource& randomSource() {
    static RandomSource source;
    return source;
}
std::mt19937& generator() {
    static std::mt19937 gen(12345);
    return gen;
}

std::string programFolder() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string programName() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    return path.substr(path.rfind('/') + 1);
}

}  // namespace

std::string errorText(long number) {
    auto it = errorTexts().find(number);
    if (it != errorTexts().end()) return it->second;
    if (auto* text = internal::controlErrorText(number)) return text;
    return "Application-defined or object-defined error";
}

Error::Error(long number, std::string description, std::string source)
    : std::runtime_error(description.empty() ? errorText(number) : description),
      number_(number),
      description_(description.empty() ? errorText(number) : std::move(description)),
      source_(std::move(source)) {}

void raise(long number, std::string description, std::string source) {
    throw Error(number, std::move(description), std::move(source));
}

void ErrObject::Clear() {
    Number = 0;
    Description.clear();
    Source.clear();
}

void ErrObject::Raise(long number, std::string source, std::string description) {
    Error error(number, std::move(description), source.empty() ? App().Title : std::move(source));
    set(error);
    throw error;
}

void ErrObject::set(const Error& error) {
    Number = error.Number();
    Description = error.Description();
    Source = error.Source();
}

ErrObject& Err() {
    static ErrObject err;
    return err;
}

void fire(const std::function<void()>& handler) {
    if (!handler) return;
    try {
        handler();
    } catch (const Error& error) {
        Err().set(error);
        if (unhandledHook()) unhandledHook()(error);
        else std::fprintf(stderr, "Run-time error '%ld': %s\n", error.Number(), error.Description().c_str());
    } catch (const std::exception& other) {
        Error error(errInvalidProcedureCall, other.what());
        Err().set(error);
        if (unhandledHook()) unhandledHook()(error);
        else std::fprintf(stderr, "Run-time error: %s\n", other.what());
    }
}

UnhandledErrorHook setUnhandledErrorHook(UnhandledErrorHook hook) {
    return std::exchange(unhandledHook(), std::move(hook));
}

AppObject& App() {
    static AppObject app = [] {
        AppObject a;
        a.Path = programFolder();
        a.EXEName = programName();
        a.Title = a.EXEName;
        return a;
    }();
    return app;
}

std::string nativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

int MsgBox(const std::string& prompt, int buttons, const std::string& title) {
    MsgBoxCall call{prompt, buttons, title.empty() ? App().Title : title};
    if (msgBoxHook()) return msgBoxHook()(call);
    internal::ensureGtk();
    GtkMessageType type = GTK_MESSAGE_OTHER;
    const char* icon = nullptr;
    switch (buttons & 0x70) {
    case vbCritical: type = GTK_MESSAGE_ERROR, icon = "dialog-error"; break;
    case vbQuestion: type = GTK_MESSAGE_QUESTION, icon = "dialog-question"; break;
    case vbExclamation: type = GTK_MESSAGE_WARNING, icon = "dialog-warning"; break;
    case vbInformation: type = GTK_MESSAGE_INFO, icon = "dialog-information"; break;
    }
    GtkWidget* dialog = gtk_message_dialog_new(internal::activeWindow(), GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE,
                                               "%s", prompt.c_str());
    // The toolkit's message dialog no longer draws the icon of its type: it goes beside the text.
    if (icon) {
        GtkWidget* row = gtk_widget_get_parent(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog)));
        GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
        gtk_widget_set_valign(image, GTK_ALIGN_START);
        gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
        gtk_box_reorder_child(GTK_BOX(row), image, 0);
        gtk_widget_show(image);
    }
    gtk_window_set_title(GTK_WINDOW(dialog), call.title.c_str());
    auto add = [&](const char* label, int answer) { gtk_dialog_add_button(GTK_DIALOG(dialog), label, answer); };
    switch (buttons & 0x7) {
    case vbOKCancel: add("OK", vbOK); add("Cancel", vbCancel); break;
    case vbAbortRetryIgnore: add("_Abort", vbAbort); add("_Retry", vbRetry); add("_Ignore", vbIgnore); break;
    case vbYesNoCancel: add("_Yes", vbYes); add("_No", vbNo); add("Cancel", vbCancel); break;
    case vbYesNo: add("_Yes", vbYes); add("_No", vbNo); break;
    case vbRetryCancel: add("_Retry", vbRetry); add("Cancel", vbCancel); break;
    default: add("OK", vbOK); break;
    }
    int answer = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (answer < vbOK) answer = (buttons & 0x7) == vbOKOnly ? vbOK : vbCancel;
    return answer;
}

MsgBoxHook setMsgBoxHook(MsgBoxHook hook) { return std::exchange(msgBoxHook(), std::move(hook)); }

void Beep() {
    if (beepHook()) {
        beepHook()();
        return;
    }
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
}

BeepHook setBeepHook(BeepHook hook) { return std::exchange(beepHook(), std::move(hook)); }

DateTime Now() {
    if (nowSource()) return nowSource()();
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

NowSource setNowSource(NowSource source) { return std::exchange(nowSource(), std::move(source)); }

double Rnd() {
    if (randomSource()) return randomSource()();
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator());
}

void Randomize() {
    generator().seed(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ std::time(nullptr)));
}

RandomSource setRandomSource(RandomSource source) { return std::exchange(randomSource(), std::move(source)); }

void DoEvents() {
    internal::ensureGtk();
    // Bounded so that a source that is always ready cannot hold the caller forever.
    for (int i = 0; i < 1000 && windows::pumpOnce(false); ++i) {
    }
}

std::vector<Form*> Forms() { return internal::loadedForms(); }

void Run() {
    internal::ensureGtk();
    while (!internal::loadedForms().empty()) windows::pumpOnce(true);
}

}  // namespace forms
