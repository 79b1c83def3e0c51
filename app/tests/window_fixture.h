#pragma once

#include "app_fixture.h"
#include "forms/driver.h"
#include "forms/forms.h"

// The application's tests with real windows.
class WindowTest : public AppTest {
protected:
    // The pictures the build drew, beside this test's program folder.
    void copyImages() {
        std::filesystem::copy(builtProgramFolder() / "images", folder / "images",
                              std::filesystem::copy_options::recursive);
    }
    // Runs the action once a window of the class is shown modally.
    template <class T> void whenModal(std::function<void(T&)> action) {
        forms::drive::later([this, action] {
            T* form = findForm<T>();
            if (form && form->Modal())
                action(*form);
            else
                whenModal<T>(action);
        });
    }
    template <class T> T* findForm() {
        for (forms::Form* form : forms::Forms())
            if (auto* found = dynamic_cast<T*>(form)) return found;
        return nullptr;
    }
};
