#pragma once
// The multimedia control on the main window that previews audio CD tracks. Without a CD audio
// device behind it, it takes its commands and stays closed.

#include <string>
#include <vector>

#include "forms/forms.h"

class MciControl : public forms::Component {
public:
    MciControl(forms::Form& form, std::string name) : Component(form, std::move(name), -1) {}

    static constexpr long kModeNotOpen = 524;
    static constexpr long kModePlaying = 526;

    bool Wait = false;

    void Command(const std::string& command) { commands_.push_back(command); }
    long Mode() const { return kModeNotOpen; }
    long Track() const { return 1; }
    void Track(long) {}

    // The commands given, in order.
    const std::vector<std::string>& commands() const { return commands_; }

private:
    std::vector<std::string> commands_;
};
