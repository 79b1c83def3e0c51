#pragma once
// The WebBrowser control over WebKitGTK: shows http and https pages only.

#include <string>

#include "forms/controls.h"

namespace forms {

class WebBrowser : public Control {
public:
    WebBrowser(Container& parent, std::string name, int index = -1);
    // Addresses other than http and https are ignored, here and for links in pages.
    void Navigate(const std::string& url);
    std::string LocationURL() const;
    // True from Navigate until the page has loaded (or failed).
    bool Busy() const { return busy_; }

    std::function<void(const std::string& URL)> DocumentComplete;

private:
    bool busy_ = false;
};

// Whether the address is one the browser shows (http or https, any case).
bool isWebAddress(const std::string& url);

}  // namespace forms
