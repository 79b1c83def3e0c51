#include "messages.h"

#include <utility>

#include "forms/forms.h"

namespace {
MessagePresenter& messagePresenter() {
    static MessagePresenter presenter;
    return presenter;
}
}  // namespace

void ShowMessage(const std::string& text, const std::string& title) {
    if (messagePresenter()) messagePresenter()(text, title);
}

void ShowStandardMessageBox(const std::string& text, MessageIcon icon, const std::string& title) {
    forms::MsgBox(text, icon == MessageIcon::Critical ? forms::vbCritical : forms::vbExclamation, title);
}

void SetMessagePresenter(MessagePresenter presenter) { messagePresenter() = std::move(presenter); }
