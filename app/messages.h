#pragma once
// The program's two ways of telling the user: the skinned message window, and the standard
// message box that the upload uses for socket and file errors.

#include <functional>
#include <string>

// Shows text modally under title; returns when the window is closed.
void ShowMessage(const std::string& text, const std::string& title);

enum class MessageIcon { Critical, Exclamation };
void ShowStandardMessageBox(const std::string& text, MessageIcon icon, const std::string& title);

// The windows that show them. Tests put recorders in their place.
using MessagePresenter = std::function<void(const std::string& text, const std::string& title)>;
using MessageBoxPresenter = std::function<void(const std::string& text, MessageIcon icon, const std::string& title)>;
void SetMessagePresenter(MessagePresenter presenter);
void SetMessageBoxPresenter(MessageBoxPresenter presenter);
