#pragma once
// The program's two ways of telling the user: the skinned message window, and the standard
// message box that the upload uses for socket and file errors.

#include <functional>
#include <string>

// Shows text modally under title; returns when the window is closed.
void ShowMessage(const std::string& text, const std::string& title);

enum class MessageIcon { Critical, Exclamation };
void ShowStandardMessageBox(const std::string& text, MessageIcon icon, const std::string& title);

// The window that shows the messages; the program sets the message window, tests a recorder.
using MessagePresenter = std::function<void(const std::string& text, const std::string& title)>;
void SetMessagePresenter(MessagePresenter presenter);
