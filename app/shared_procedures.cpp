#include "shared_procedures.h"

#include "forms/forms.h"
#include "main_window.h"
#include "shell/shell.h"

bool DeleteFileToRecycleBin(const std::string& path) {
    std::string list = path;
    list.push_back('\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;
    return SHFileOperationA(&op) == 0;
}

void UnloadAllForms() {
    for (forms::Form* form : forms::Forms()) form->Unload();
}

void DisableEditingControls() {
    if (frm_Main* main = FindMainWindow()) main->DisableEditingControls();
}
