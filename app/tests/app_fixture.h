#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "internet_transfer.h"
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

// A fresh program folder per test, with every message recorded instead of shown.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);
        folder = root / "bin";
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(root / "data");
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        SetProgramFolder(folder.string());
        ResetProgramValues();
        SetMessagePresenter([this](const std::string& text, const std::string& title) {
            messages.push_back({text, title});
        });
        SetMessageBoxPresenter([this](const std::string& text, MessageIcon icon, const std::string& title) {
            boxes.push_back({text, title});
            boxIcons.push_back(icon);
        });
        InternetTransfer::SetTimeouts({2000, 2000});
    }
    void TearDown() override {
        SetMessagePresenter(nullptr);
        SetMessageBoxPresenter(nullptr);
        g_ServiceWindow.reset();
        frm_Invisible::UnloadDefault();
        SetProgramFolder("");
    }

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
    std::vector<MessageIcon> boxIcons;
};
