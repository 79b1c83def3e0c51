#include "forms/browser.h"
#include "forms/internal.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cctype>

namespace forms {

bool isWebAddress(const std::string& url) {
    std::string lower = url.substr(0, 8);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

namespace {

GtkWidget* newView() {
    internal::ensureGtk();
    GtkWidget* view = webkit_web_view_new();
    WebKitSettings* settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view));
    // Software drawing keeps the page's pixels in the widget, where screenshots find them.
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    return view;
}

}  // namespace

WebBrowser::WebBrowser(Container& parent, std::string name, int index)
    : Control(parent, std::move(name), index, newView()) {
    g_signal_connect(widget(), "decide-policy",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                    WebBrowser*) -> gboolean {
                         if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
                         auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
                         WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
                         WebKitURIRequest* request = webkit_navigation_action_get_request(action);
                         const char* uri = webkit_uri_request_get_uri(request);
                         if (uri && !isWebAddress(uri) && std::string(uri) != "about:blank") {
                             webkit_policy_decision_ignore(decision);
                             return TRUE;
                         }
                         return FALSE;
                     }),
                     this);
    g_signal_connect(widget(), "load-changed", G_CALLBACK(+[](WebKitWebView* view, WebKitLoadEvent event, WebBrowser* self) {
                         if (event != WEBKIT_LOAD_FINISHED) return;
                         self->busy_ = false;
                         const char* uri = webkit_web_view_get_uri(view);
                         std::string url = uri ? uri : "";
                         fire([&] { if (self->DocumentComplete) self->DocumentComplete(url); });
                     }),
                     this);
}

void WebBrowser::Navigate(const std::string& url) {
    if (!isWebAddress(url)) return;
    busy_ = true;
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(widget()), url.c_str());
}

std::string WebBrowser::LocationURL() const {
    const char* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(widget()));
    return uri ? uri : "";
}

}  // namespace forms
