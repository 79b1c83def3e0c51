#pragma once
// The Common Dialog control's open-file dialog, over GtkFileChooserDialog.

#include <functional>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace forms {

// One entry of a filter: "description|pattern;pattern|...".
struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;  // trimmed, empty ones dropped
};
std::vector<FilterEntry> parseFilter(const std::string& filter);
// Whether the file name (its last component) matches one of the entry's patterns, without
// regard to case.
bool filterMatches(const FilterEntry& entry, const std::string& fileName);

// What the dialog was asked to show, for the test seam.
struct FileDialogRequest {
    std::string title;
    std::vector<FilterEntry> filters;
    int filterIndex = 1;
    std::string initDir;
    std::string fileName;
};
// Answers open-file dialogs instead of showing them: the chosen path, "" for cancel
// (nullptr restores the dialog).
using FileDialogHook = std::function<std::string(const FileDialogRequest&)>;
FileDialogHook setFileDialogHook(FileDialogHook hook);

class CommonDialog : public Component {
public:
    CommonDialog(Form& form, std::string name, int index = -1);

    std::string DialogTitle;
    std::string Filter;
    int FilterIndex = 1;
    std::string InitDir;
    std::string FileName;
    std::string FileTitle;  // the chosen file's name without its folder
    bool CancelError = false;
    long Flags = 0;

    // Cancel leaves FileName and FileTitle empty; with CancelError it then raises 32755.
    void ShowOpen();
};

}  // namespace forms
