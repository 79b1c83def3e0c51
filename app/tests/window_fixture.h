#pragma once

#include "app_fixture.h"
#include "forms/driver.h"
#include "forms/forms.h"

// The application's tests with real windows.
class WindowTest : public AppTest {
protected:
    // The pictures the build drew, beside this test's program folder.
    void copyImages() {
        std::filesystem::copy(std::filesystem::path(std::getenv("PROJECT_BIN_DIR")) / "images", folder / "images",
                              std::filesystem::copy_options::recursive);
    }
    template <class T> T* findForm() {
        for (forms::Form* form : forms::Forms())
            if (auto* found = dynamic_cast<T*>(form)) return found;
        return nullptr;
    }
};
