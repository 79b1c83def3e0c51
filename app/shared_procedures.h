#pragma once

#include <string>

// Moves the file to the recycle bin, silently and without asking; true when it is gone.
bool DeleteFileToRecycleBin(const std::string& path);
