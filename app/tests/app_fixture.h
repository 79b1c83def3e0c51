#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editing_values.h"
#include "forms/driver.h"
#include "forms/forms.h"
#include "main_window_values.h"
#include "messages.h"
#include "program_env.h"
#include "program_values.h"
#include "service_window.h"

struct ShownMessage {
    std::string text;
    std::string title;
    bool operator==(const ShownMessage&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ShownMessage& m) {
    return out << "{\"" << m.text << "\", \"" << m.title << "\"}";
}

// The program folder the build made: its pictures, libraries and initial files. PROJECT_BIN_DIR
// names another.
inline std::filesystem::path builtProgramFolder() {
    const char* named = std::getenv("PROJECT_BIN_DIR");
    return named && *named ? named : BUILT_PROGRAM_FOLDER;
}

// A fresh program folder per test, with every message, message box and beep recorded.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);
        folder = root / "bin";
        std::filesystem::create_directories(folder);
        std::error_code ignored;
        std::filesystem::remove_all(dataHome() / "Trash", ignored);
        SetProgramFolder(folder.string());
        ResetProgramValues();
        ResetEditingValues();
        MainWindowProperties() = {};
        SetMessagePresenter([this](const std::string& text, const std::string& title) {
            messages.push_back({text, title});
        });
        forms::setMsgBoxHook([this](const forms::MsgBoxCall& call) {
            boxes.push_back({call.prompt, call.title});
            boxButtons.push_back(call.buttons);
            return forms::vbOK;
        });
        forms::setBeepHook([this] { ++beeps; });
        SetServiceTimeouts({2, 2});
    }
    void TearDown() override {
        forms::drive::forgetLater();
        SetMessagePresenter(nullptr);
        g_ServiceWindow.reset();
        UnloadDefaultServiceWindow();
        for (forms::Form* form : forms::Forms()) form->Unload();
        forms::DoEvents();
        forms::setMsgBoxHook(nullptr);
        forms::setBeepHook(nullptr);
        SetServiceTimeouts({});
        SetProgramFolder("");
    }

    // The user's data folder: the test process has one, its Trash emptied for each test. The web
    // view's own processes keep their storage there too.
    static std::filesystem::path dataHome() { return std::getenv("XDG_DATA_HOME"); }

    std::string path(const std::string& name) const { return (folder / name).string(); }
    void write(const std::string& name, const std::string& content) const {
        std::ofstream(folder / name, std::ios::binary) << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(folder / name); }

    std::filesystem::path root;
    std::filesystem::path folder;
    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> boxes;
    std::vector<int> boxButtons;
    int beeps = 0;
};
