#pragma once

#include <string>

// Moves the file to the recycle bin, silently and without asking; true when it is gone.
bool DeleteFileToRecycleBin(const std::string& path);

// Unloads every loaded window; the program ends when none is left.
void UnloadAllForms();

// Shows the editing step's transport as inactive while the ringtone is being named.
void DisableEditingControls();
