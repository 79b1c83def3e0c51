#include "startup.h"

#include <gtest/gtest.h>

#include "shared_procedures.h"
#include "test_tone_msg.h"
#include "testing/service/service_standin.h"
#include "window_fixture.h"

namespace {

class StartupWindows : public WindowTest {
protected:
    fixtures::ServiceStandin service;
    void SetUp() override {
        WindowTest::SetUp();
        copyImages();
        setenv("TAVIMO_SERVICE_HOST", service.host().c_str(), 1);
        SetMessagePresenter(ShowMessageWindow);
        SetOfflineNoticePresenter(ShowOfflineNotice);
        SetUnloadAllForms(UnloadAllForms);
    }
    void TearDown() override {
        SetOfflineNoticePresenter(nullptr);
        SetUnloadAllForms(nullptr);
        SetMainWindowOpener(nullptr);
        unsetenv("TAVIMO_SERVICE_HOST");
        unsetenv("TAVIMO_CONNECTIVITY_URL");
        WindowTest::TearDown();
    }
};

TEST_F(StartupWindows, OfflineShowsTheNoticeOnceAndLeavesNoWindow) {
    setenv("TAVIMO_CONNECTIVITY_URL", "http://127.0.0.1:1/", 1);
    std::vector<std::string> shown;
    forms::drive::later([&] {
        auto* window = findForm<TestToneMsg>();
        ASSERT_NE(window, nullptr);
        shown.push_back(window->Caption() + "|" + window->lb_Custom.Caption());
        forms::drive::click(window->OKButton);
    });
    Main();
    forms::drive::pump();
    EXPECT_EQ(shown, (std::vector<std::string>{"Tavimo|Tavimo could not find an internet connection.  "
                                               "Please check your connection and try again."}));
    EXPECT_EQ(beeps, 3);
    EXPECT_TRUE(forms::Forms().empty());
    EXPECT_EQ(service.server().requestCount(), 0u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);  // the images only
}

}  // namespace
