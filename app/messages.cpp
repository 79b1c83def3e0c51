#include "messages.h"

#include <utility>

namespace {
MessagePresenter& messagePresenter() {
    static MessagePresenter presenter;
    return presenter;
}
MessageBoxPresenter& boxPresenter() {
    static MessageBoxPresenter presenter;
    return presenter;
}
}  // namespace

void ShowMessage(const std::string& text, const std::string& title) {
    if (messagePresenter()) messagePresenter()(text, title);
}

void ShowStandardMessageBox(const std::string& text, MessageIcon icon, const std::string& title) {
    if (boxPresenter()) boxPresenter()(text, icon, title);
}

void SetMessagePresenter(MessagePresenter presenter) { messagePresenter() = std::move(presenter); }
void SetMessageBoxPresenter(MessageBoxPresenter presenter) { boxPresenter() = std::move(presenter); }
