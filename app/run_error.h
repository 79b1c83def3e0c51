#pragma once
// A run-time error of the program: the number and description its messages show.

#include <stdexcept>
#include <string>

struct RunError : std::runtime_error {
    RunError(long number, const std::string& description) : std::runtime_error(description), number(number) {}
    long number;
    std::string description() const { return what(); }
};

// The run-time errors the file and table code raises.
namespace run_errors {
constexpr long kOverflow = 6;
constexpr long kSubscriptOutOfRange = 9;
constexpr long kTypeMismatch = 13;
constexpr long kFileNotFound = 53;
constexpr long kInputPastEndOfFile = 62;
constexpr long kPathFileAccess = 75;

RunError overflow();
RunError subscriptOutOfRange();
RunError typeMismatch();
RunError fileNotFound();
RunError inputPastEndOfFile();
RunError pathFileAccess();
}  // namespace run_errors
