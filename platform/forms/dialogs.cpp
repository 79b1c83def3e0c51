#include "forms/dialogs.h"
#include "forms/internal.h"

#include <fnmatch.h>

#include <utility>

namespace forms {

namespace {

FileDialogHook& dialogHook() {
    static FileDialogHook hook;
    return hook;
}

std::string trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    for (;;) {
        auto at = text.find(separator, start);
        pieces.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return pieces;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string runChooser(const FileDialogRequest& request) {
    internal::ensureGtk();
    GtkWidget* dialog = gtk_file_chooser_dialog_new(request.title.empty() ? "Open" : request.title.c_str(),
                                                    internal::activeWindow(), GTK_FILE_CHOOSER_ACTION_OPEN,
                                                    "_Cancel", GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT,
                                                    nullptr);
    int index = 1;
    for (const FilterEntry& entry : request.filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, entry.description.c_str());
        gtk_file_filter_add_custom(
            filter, GTK_FILE_FILTER_DISPLAY_NAME,
            +[](const GtkFileFilterInfo* info, gpointer data) -> gboolean {
                return info->display_name && filterMatches(*static_cast<FilterEntry*>(data), info->display_name);
            },
            new FilterEntry(entry), +[](gpointer data) { delete static_cast<FilterEntry*>(data); });
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), filter);
        if (index++ == request.filterIndex) gtk_file_chooser_set_filter(GTK_FILE_CHOOSER(dialog), filter);
    }
    if (!request.initDir.empty()) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), request.initDir.c_str());
    std::string chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (char* file = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
            chosen = file;
            g_free(file);
        }
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

}  // namespace

std::vector<FilterEntry> parseFilter(const std::string& filter) {
    std::vector<FilterEntry> entries;
    auto pieces = split(filter, '|');
    for (std::size_t i = 0; i + 1 < pieces.size() || (i < pieces.size() && !pieces[i].empty()); i += 2) {
        FilterEntry entry;
        entry.description = pieces[i];
        if (i + 1 < pieces.size())
            for (const std::string& pattern : split(pieces[i + 1], ';'))
                if (auto p = trim(pattern); !p.empty()) entry.patterns.push_back(p);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool filterMatches(const FilterEntry& entry, const std::string& fileName) {
    std::string name = baseName(fileName);
    for (const std::string& pattern : entry.patterns)
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0) return true;
    return false;
}

FileDialogHook setFileDialogHook(FileDialogHook hook) { return std::exchange(dialogHook(), std::move(hook)); }

CommonDialog::CommonDialog(Form& form, std::string name, int index) : Component(form, std::move(name), index) {}

void CommonDialog::ShowOpen() {
    FileDialogRequest request{DialogTitle, parseFilter(Filter), FilterIndex, nativePath(InitDir), FileName};
    std::string chosen = dialogHook() ? dialogHook()(request) : runChooser(request);
    FileName = chosen;
    FileTitle = chosen.empty() ? std::string() : baseName(chosen);
    if (chosen.empty() && CancelError) raise(errCancelSelected);
}

}  // namespace forms
