#pragma once
// The program's entry: platform check, settings, connectivity, configuration downloads, and
// then the main window or an orderly end.

#include <functional>
#include <string>

void Main();

// What start-up opens when it is connected, and what it closes when it ends; the program sets
// the real windows.
void SetMainWindowOpener(std::function<void()> open);
void SetUnloadAllForms(std::function<void()> unload);
// The offline notice in the message window under its designed title.
void SetOfflineNoticePresenter(std::function<void(const std::string& text)> present);

constexpr const char* kOldPlatformMessage =
    "This application was designed to run on Windows XP, XP Home Edition and Windows 2000";
constexpr const char* kOfflineMessage =
    "Tavimo could not find an internet connection.  Please check your connection and try again.";
