#include "startup.h"

#include <utility>

#include "backend_files.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "registry_value.h"
#include "service_requests.h"
#include "service_window.h"
#include "user_profile.h"
#include "win32/version.h"

namespace {
std::function<void()>& mainWindowOpener() {
    static std::function<void()> open;
    return open;
}
std::function<void()>& unloadAllForms() {
    static std::function<void()> unload;
    return unload;
}
std::function<void(const std::string&)>& offlinePresenter() {
    static std::function<void(const std::string&)> present;
    return present;
}
}  // namespace

void SetMainWindowOpener(std::function<void()> open) { mainWindowOpener() = std::move(open); }
void SetUnloadAllForms(std::function<void()> unload) { unloadAllForms() = std::move(unload); }
void SetOfflineNoticePresenter(std::function<void(const std::string&)> present) {
    offlinePresenter() = std::move(present);
}

void Main() {
    g_PartnerID = "tvm";

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        ShowMessage(kOldPlatformMessage, kApplicationTitle);
        return;
    }

    std::string partner = ReadRegistryValue(HKEY_LOCAL_MACHINE, kSettingsKey, "PartnerID");
    if (!partner.empty()) g_PartnerID = partner;
    g_ModID = ReadRegistryValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ModID");

    g_ServiceWindow = NewServiceWindow();

    if (IsInternetConnected()) {
        ReadUserProfile();
        DownloadBackendFile();
        ReadBackendFile(ProgramFolder() + "/" + kBackendFileName);
        DownloadCarrierList();
        DownloadCountryList();
        if (mainWindowOpener()) mainWindowOpener()();
        return;
    }

    if (offlinePresenter()) offlinePresenter()(kOfflineMessage);
    g_ServiceWindow.reset();
    if (unloadAllForms()) unloadAllForms()();
}
