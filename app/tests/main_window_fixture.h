#pragma once

#include <string>
#include <vector>

#include "activex/testing/test_host.h"
#include "backend_files.h"
#include "editing_values.h"
#include "main_window.h"
#include "main_window_values.h"
#include "test_tone_msg.h"
#include "testing/service/service_standin.h"
#include "window_fixture.h"

// The main window as the program opens it: the controls registered, the skin and the list
// files in the program folder, the service stand-in behind the requests.
class MainWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        copyImages();
        const std::string bin = builtProgramFolder().string();
        ASSERT_EQ(activex::testing::registerLibrary(bin + "/libSondrel3.so"), S_OK);
        ASSERT_EQ(activex::testing::registerLibrary(bin + "/libAudioEditor2.so"), S_OK);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("TAVIMO_SERVICE_HOST", service.host().c_str(), 1);
        write(kCountryFileName, fixtures::ServiceStandin::countriesFile());
        write(kCarrierFileName, fixtures::ServiceStandin::carriersFile());
        g_CountryName = "* Choose country";
        g_CarrierName = "* Choose carrier";
    }
    void TearDown() override {
        forms::setFileDialogHook(nullptr);
        unsetenv("TAVIMO_SERVICE_HOST");
        WindowTest::TearDown();
    }

    frm_Main& open() {
        auto& main = forms::Default<frm_Main>();
        main.Show();
        forms::drive::pump(std::chrono::milliseconds(50));
        return main;
    }

    // The tracking requests' step codes, in order.
    std::vector<std::string> trackingSteps() const {
        std::vector<std::string> steps;
        for (const auto& line : service.requestLines()) {
            auto at = line.find("&step=");
            if (line.find("/_php/mod_tracking.php") != std::string::npos && at != std::string::npos)
                steps.push_back(line.substr(at + 6, line.find('&', at + 1) - at - 6));
        }
        return steps;
    }

    void screenshot(forms::Form& form, const std::string& name) {
        const char* dir = std::getenv("TAVIMO_SCREENSHOT_DIR");
        if (!dir) return;
        forms::drive::pump(std::chrono::milliseconds(100));
        forms::drive::screenshot(form, std::string(dir) + "/" + name);
    }

    fixtures::ServiceStandin service;
};
