#include "win32/module.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

using AddFn = int (*)(int, int);
using NameFn = const char* (*)();

std::string fileName(HMODULE m) {
    char buf[PATH_MAX];
    DWORD n = GetModuleFileNameA(m, buf, sizeof buf);
    return std::string(buf, n);
}

TEST(Module, LoadsByPathAndFindsEntriesByNameAndOrdinal) {
    HMODULE m = LoadLibraryA(FAKE_MODULE_PATH);
    ASSERT_NE(m, nullptr) << GetLastError();
    auto add = reinterpret_cast<AddFn>(GetProcAddress(m, "FakeAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(reinterpret_cast<AddFn>(GetProcAddress(m, MAKEINTRESOURCEA(1))), add);
    auto name = reinterpret_cast<NameFn>(GetProcAddress(m, MAKEINTRESOURCEA(151)));
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name(), "fake module");

    EXPECT_EQ(GetProcAddress(m, MAKEINTRESOURCEA(2)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(m, "FakeMissing"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    // Only the module's own entries count, not those of the libraries it depends on.
    EXPECT_EQ(GetProcAddress(m, "malloc"), nullptr);

    EXPECT_EQ(fileName(m), fs::canonical(FAKE_MODULE_PATH).string());
    EXPECT_EQ(GetModuleHandleA(FAKE_MODULE_PATH), m);
    EXPECT_EQ(win32::moduleFromAddress(reinterpret_cast<const void*>(add)), m);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(Module, LoadsAreCounted) {
    HMODULE a = LoadLibraryA(FAKE_MODULE_PATH);
    HMODULE b = LoadLibraryA(FAKE_MODULE_PATH);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(GetProcAddress(b, "FakeAdd"), nullptr);
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(GetModuleHandleA(FAKE_MODULE_PATH), nullptr);
    EXPECT_EQ(GetProcAddress(b, "FakeAdd"), nullptr);
}

TEST(Module, MissingAndBadModules) {
    struct Case {
        const char* name;
        DWORD error;
    };
    const fs::path text = fs::temp_directory_path() / ("win32-not-a-library-" + std::to_string(getpid()) + ".so");
    std::ofstream(text) << "not a library";
    const std::string textPath = text.string();
    const Case cases[] = {
        {"/no/such/folder/module.so", ERROR_MOD_NOT_FOUND},
        {"NoSuchModule.dll", ERROR_MOD_NOT_FOUND},
        {textPath.c_str(), ERROR_BAD_EXE_FORMAT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LoadLibraryA(c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    fs::remove(text);
    int notAModule = 0;
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&notAModule)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Module, WindowsNamesMapToTheStandInsOfTheModuleFolder) {
    EXPECT_EQ(fs::path(win32::moduleDirectory()),
              fs::path(fileName(win32::moduleFromAddress(reinterpret_cast<const void*>(&LoadLibraryA))))
                  .parent_path());

    std::string tmpl = (fs::temp_directory_path() / "win32-modules-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const fs::path dir = tmpl;
    fs::copy_file(FAKE_MODULE_PATH, dir / "libwsock32.so");
    fs::copy_file(FAKE_MODULE_PATH, dir / "libsecur32.so");
    win32::setModuleDirectory(dir.string());

    HMODULE upper = LoadLibraryA("WSOCK32.DLL");
    ASSERT_NE(upper, nullptr) << GetLastError();
    EXPECT_EQ(LoadLibraryA("wsock32.dll"), upper);
    EXPECT_EQ(fileName(upper), (dir / "libwsock32.so").string());
    EXPECT_NE(GetProcAddress(upper, MAKEINTRESOURCEA(1)), nullptr);
    HMODULE security = LoadLibraryA("security.dll");
    EXPECT_NE(security, nullptr);
    EXPECT_EQ(LoadLibraryA("SECUR32.DLL"), security);
    EXPECT_EQ(GetModuleHandleA("Secur32.dll"), security);
    EXPECT_EQ(LoadLibraryA("pfpro.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

    for (HMODULE m : {upper, upper, security, security}) EXPECT_TRUE(FreeLibrary(m));
    win32::setModuleDirectory("");
    fs::remove_all(dir);
}

TEST(Module, ProgramFileNameAndTruncation) {
    EXPECT_EQ(fileName(nullptr), fs::canonical("/proc/self/exe").string());
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(fileName(GetModuleHandleA(nullptr)), fileName(nullptr));
    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), fileName(nullptr).substr(0, 4));
}

}  // namespace
