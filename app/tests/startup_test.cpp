#include "startup.h"

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "backend_files.h"
#include "registry_value.h"
#include "service_requests.h"
#include "testing/service/service_standin.h"
#include "win32/version.h"

namespace {

class Startup : public AppTest {
protected:
    fixtures::ServiceStandin service;
    int mainWindowsOpened = 0;
    int unloads = 0;
    std::vector<std::string> offline;

    void SetUp() override {
        AppTest::SetUp();
        setenv("TAVIMO_SERVICE_HOST", service.host().c_str(), 1);
        setenv("TAVIMO_CONNECTIVITY_URL", service.server().url("/").c_str(), 1);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Drovane");
        SetMainWindowOpener([this] { ++mainWindowsOpened; });
        SetUnloadAllForms([this] { ++unloads; });
        SetOfflineNoticePresenter([this](const std::string& text) { offline.push_back(text); });
    }
    void TearDown() override {
        win32::setVersionPlatformId(0);
        SetMainWindowOpener(nullptr);
        SetUnloadAllForms(nullptr);
        SetOfflineNoticePresenter(nullptr);
        unsetenv("TAVIMO_SERVICE_HOST");
        unsetenv("TAVIMO_CONNECTIVITY_URL");
        AppTest::TearDown();
    }
    void setSetting(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
};

TEST_F(Startup, AnOldPlatformGetsOneMessageAndNothingElse) {
    win32::setVersionPlatformId(VER_PLATFORM_WIN32_WINDOWS);
    setSetting("PartnerID", REG_SZ, "abc", 4);
    Main();
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"This application was designed to run on Windows XP, XP Home Edition and Windows 2000",
                             "Tavimo"}}));
    EXPECT_EQ(g_PartnerID, "tvm");
    EXPECT_EQ(service.server().requestCount(), 0u);
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

TEST_F(Startup, ConnectedStartUpFetchesInOrderAndOpensTheMainWindow) {
    write("UserProfile.ini", "s1,Rogers,x,,,,,,,,,Canada,[Phone Numbers],5551234\r\n");
    Main();
    EXPECT_EQ(service.requestLines(), (std::vector<std::string>{
                                          "GET /",
                                          "GET /_ini/backend//BackEnd.txt",
                                          "GET /_ini/lists/carriers.ini",
                                          "GET /_ini/lists/country.ini",
                                      }));
    EXPECT_EQ(g_PartnerID, "tvm");
    EXPECT_EQ(g_ModID, "");
    EXPECT_EQ(g_CarrierName, "Rogers");
    EXPECT_EQ(g_CountryName, "Canada");
    EXPECT_EQ(g_UploadHost, service.host());
    EXPECT_EQ(g_BillingPageUrl, "http://" + service.host() + "/billing/index.php?");
    EXPECT_EQ(read("carriers.ini"), fixtures::ServiceStandin::carriersFile());
    EXPECT_EQ(read("country.ini"), fixtures::ServiceStandin::countriesFile());
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(offline.empty());

    // Without settings the service hears of partner "tvm" and an empty module.
    g_TrackingStep = 100;
    PostTracking();
    EXPECT_EQ(service.requestLines().back(), "GET /_php/mod_tracking.php?&step=100&modID=&partnerID=tvm&phone=");
}

TEST_F(Startup, RegistrySettingsChooseTheBackEndFileAndPartner) {
    DWORD mod = 42;
    setSetting("ModID", REG_DWORD, &mod, 4);
    setSetting("PartnerID", REG_SZ, "acme", 5);
    write("UserProfile.ini", "a\r\n");
    Main();
    EXPECT_EQ(service.requestLines().at(1), "GET /_ini/backend/42/BackEnd.txt");
    EXPECT_EQ(g_ModID, "42");
    EXPECT_EQ(g_PartnerID, "acme");

    setSetting("PartnerID", REG_SZ, "", 1);
    Main();
    EXPECT_EQ(g_PartnerID, "tvm");
}

TEST_F(Startup, WithoutAProfileTheStartUpGoesOn) {
    Main();
    EXPECT_EQ(messages, (std::vector<ShownMessage>{{"Problem with UserProFile File not found", "Setup User Profile"}}));
    EXPECT_EQ(mainWindowsOpened, 1);
}

TEST_F(Startup, AProfileThatIsAFolderIsToldAndTheStartUpGoesOn) {
    std::filesystem::create_directory(path("UserProfile.ini"));
    Main();
    EXPECT_EQ(messages, (std::vector<ShownMessage>{
                            {"Problem with UserProFile Path/File access error", "Setup User Profile"}}));
    EXPECT_EQ(mainWindowsOpened, 1);
}

TEST_F(Startup, OfflineShowsOneMessageAndTouchesNoFile) {
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    write("Backend.txt", "kept");
    Main();
    EXPECT_EQ(offline, (std::vector<std::string>{"Tavimo could not find an internet connection.  "
                                                 "Please check your connection and try again."}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(unloads, 1);
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_EQ(g_ServiceWindow, nullptr);
    EXPECT_EQ(service.server().requestCount(), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    EXPECT_EQ(read("Backend.txt"), "kept");
}

}  // namespace
