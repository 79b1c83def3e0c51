#pragma once
// The forms runtime's process-wide services: the error object, the program's values, message
// boxes, the beep, the clock and random numbers, DoEvents and the collection of loaded forms.
// Texts are UTF-8 throughout; paths may use "\" as the folder separator (see nativePath).

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace forms {

class Form;

// Classic run-time error numbers the program meets.
enum ErrorNumber : long {
    errInvalidProcedureCall = 5,
    errOverflow = 6,
    errSubscriptOutOfRange = 9,
    errDivisionByZero = 11,
    errTypeMismatch = 13,
    errBadFileNameOrNumber = 52,
    errFileNotFound = 53,
    errBadFileMode = 54,
    errFileAlreadyOpen = 55,
    errDeviceIO = 57,
    errInputPastEndOfFile = 62,
    errPermissionDenied = 70,
    errPathFileAccess = 75,
    errPathNotFound = 76,
    errObjectNotSet = 91,
    errControlArrayElement = 340,
    errInvalidPropertyValue = 380,
    errTextReadOnly = 383,
    errInvalidPicture = 481,
    errCancelSelected = 32755,
};

// The runtime's text for an error number ("Application-defined or object-defined error" for
// numbers it does not know).
std::string errorText(long number);

// A run-time error on its way up to the next handler.
class Error : public std::runtime_error {
public:
    explicit Error(long number, std::string description = {}, std::string source = {});
    long Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const std::string& Source() const { return source_; }

private:
    long number_;
    std::string description_;
    std::string source_;
};

// Throws Error(number) with the runtime's text, or the given one.
[[noreturn]] void raise(long number, std::string description = {}, std::string source = {});

// The error object: the last error caught by a handler or by the runtime.
struct ErrObject {
    long Number = 0;
    std::string Description;
    std::string Source;
    void Clear();
    [[noreturn]] void Raise(long number, std::string source = {}, std::string description = {});
    // Takes the values of an error (what a handler does when it catches one).
    void set(const Error& error);
};
ErrObject& Err();

// Runs an event handler as the runtime does: an error escaping it ends that handler only; it is
// kept in Err and told to the unhandled-error hook, and the program goes on.
void fire(const std::function<void()>& handler);
using UnhandledErrorHook = std::function<void(const Error&)>;
// Default: the error is written to standard error. Returns the previous hook.
UnhandledErrorHook setUnhandledErrorHook(UnhandledErrorHook hook);

// The program's values. Path defaults to the folder of the running program.
struct AppObject {
    std::string Path;
    std::string Title;
    std::string EXEName;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
};
AppObject& App();

// "\" becomes "/", so that App().Path + "\\images\\x.bmp" names a file here.
std::string nativePath(const std::string& path);

// Message box styles and answers.
enum : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7,
};
struct MsgBoxCall {
    std::string prompt;
    int buttons = vbOKOnly;
    std::string title;  // already the program's title when the caller gave none
};
// A modal message box; an empty title shows the program's title.
int MsgBox(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = {});
// Test seam: answers message boxes instead of showing them (nullptr restores the dialog).
using MsgBoxHook = std::function<int(const MsgBoxCall&)>;
MsgBoxHook setMsgBoxHook(MsgBoxHook hook);

// The computer's beep; the hook (for tests) replaces the sound.
void Beep();
using BeepHook = std::function<void()>;
BeepHook setBeepHook(BeepHook hook);

// Local date and time.
struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
DateTime Now();
using NowSource = std::function<DateTime()>;
NowSource setNowSource(NowSource source);  // nullptr restores the system clock

// Uniform numbers in [0, 1). Randomize seeds from the clock.
double Rnd();
void Randomize();
using RandomSource = std::function<double()>;
RandomSource setRandomSource(RandomSource source);  // nullptr restores the generator

// Lets every pending window event, timer and socket event run, then returns.
void DoEvents();

// The loaded forms in load order.
std::vector<Form*> Forms();
// Runs the loop until no form is loaded (the program's end).
void Run();

// Unit conversion: 15 twips per pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int toPixels(long twips) { return static_cast<int>(twips / kTwipsPerPixel); }
constexpr long toTwips(int pixels) { return static_cast<long>(pixels) * kTwipsPerPixel; }

}  // namespace forms
