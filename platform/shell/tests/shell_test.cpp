#include "shell/shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> opened;
bool record(const char* address) {
    opened.emplace_back(address);
    return true;
}

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        home = fs::path(std::getenv("PLATFORM_STATE_DIR")) / "home";
        fs::create_directories(home);
        opened.clear();
        shell::setAddressOpener(record);
    }
    void TearDown() override { shell::setAddressOpener(nullptr); }
    fs::path home;
};

TEST_F(Shell, DeleteWithUndoMovesTheFileToTheTrash) {
    fs::path file = home / "tone.mp3";
    std::ofstream(file) << "mp3";
    std::string list = file.string() + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    EXPECT_EQ(SHFileOperationA(&op), 0);
    EXPECT_FALSE(fs::exists(file));
    bool trashed = false;
    // The test process's own data folder, never the real user's.
    for (auto& e : fs::recursive_directory_iterator(std::getenv("XDG_DATA_HOME")))
        trashed |= e.path().filename() == "tone.mp3";
    EXPECT_TRUE(trashed);
}

TEST_F(Shell, DeletingAMissingFileReportsButRaisesNothing) {
    std::string list = (home / "missing.mp3").string() + '\0';
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = 0x54;
    EXPECT_NE(SHFileOperationA(&op), 0);
}

TEST_F(Shell, TheFileBrowserCommandOpensItsAddress) {
    EXPECT_GT(WinExec("Explorer.exe http://127.0.0.1/support", 1), 31u);
    EXPECT_GT(reinterpret_cast<std::intptr_t>(ShellExecuteA(nullptr, "open", "http://127.0.0.1/x", nullptr, nullptr, 1)), 32);
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1/support", "http://127.0.0.1/x"}));
}

}  // namespace
