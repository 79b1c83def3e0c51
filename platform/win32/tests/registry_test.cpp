#include "win32/registry.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* const kSettings = "Software\\Drovane\\Tavimo\\Settings";

fs::path storeFile() { return fs::path(win32::stateDirectory()) / "registry.txt"; }

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

HKEY create(HKEY root, const char* path) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    return k;
}

void set(HKEY k, const char* name, DWORD type, const std::string& data) {
    EXPECT_EQ(RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

// The value's type and bytes, or the error as type.
std::pair<DWORD, std::string> query(HKEY k, const char* name) {
    DWORD type = 0, size = 0;
    LSTATUS e = RegQueryValueExA(k, name, nullptr, &type, nullptr, &size);
    if (e) return {static_cast<DWORD>(e) | 0x80000000u, ""};
    std::string data(size, '\0');
    EXPECT_EQ(RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size), ERROR_SUCCESS);
    data.resize(size);
    return {type, data};
}

// Moves the store to a fresh state directory, so that what follows reads it from its text.
// The copy lies inside the test's own state directory, which goes when the test ends.
void reopenFromText() {
    std::string tmpl = (fs::path(win32::stateDirectory()) / "copy-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    fs::copy_file(storeFile(), fs::path(tmpl) / "registry.txt");
    setenv("PLATFORM_STATE_DIR", tmpl.c_str(), 1);
}

std::string dword(DWORD n) { return std::string(reinterpret_cast<const char*>(&n), 4); }

TEST(Registry, EveryValueTypeRoundTripsThroughTheStoreFile) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes.push_back(static_cast<char>(b));
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
    };
    const std::vector<Case> cases = {
        {"PartnerID", REG_SZ, std::string("abc\0", 4)},
        {"ModID", REG_DWORD, dword(4000000001u)},
        {"Blob", REG_BINARY, allBytes},
        {"Empty", REG_BINARY, ""},
        {"Path", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9)},
        {"List", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"Unterminated", REG_SZ, "no zero"},
        {"Odd \"name\" [%] \x01\xE9", REG_SZ, std::string("\"quoted\" 100% \n\xE9\0", 18)},
        {"", REG_SZ, std::string("default\0", 8)},
        {"Other", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
    };
    HKEY k = create(HKEY_LOCAL_MACHINE, kSettings);
    for (const auto& c : cases) set(k, c.name, c.type, c.data);
    RegCloseKey(k);
    RegCloseKey(create(HKEY_LOCAL_MACHINE, "Software\\Odd [key] 100%\xE9\"\n/x"));

    reopenFromText();
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\ODD [KEY] 100%\xE9\"\n/X", 0, KEY_READ, &k), ERROR_SUCCESS);
    char name[64];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Software");
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &k), ERROR_SUCCESS);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto [type, data] = query(k, c.name);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(data, c.data);
    }
    EXPECT_EQ(query(k, nullptr).second, std::string("default\0", 8));
    EXPECT_EQ(query(k, "missing").first, ERROR_FILE_NOT_FOUND | 0x80000000u);
    RegCloseKey(k);
}

TEST(Registry, ARewriteKeepsABackslashInsideAKeyName) {
    std::ofstream(storeFile(), std::ios::binary | std::ios::trunc)
        << "platform-registry 1\n[HKEY_USERS\\a%5Cb]\n\"v\"=sz:\"C:\\dir\"\n";
    set(HKEY_LOCAL_MACHINE, "unrelated", REG_DWORD, dword(1));
    reopenFromText();
    char name[16];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(HKEY_USERS, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "a\\b");
    size = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(HKEY_USERS, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    HKEY a = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_USERS, "a", 0, KEY_READ, &a), ERROR_FILE_NOT_FOUND);
    // Value texts keep their backslashes as written.
    const std::string text = slurp(storeFile());
    EXPECT_NE(text.find("[HKEY_USERS\\a%5Cb]\n\"v\"=sz:\"C:\\dir\"\n"), std::string::npos) << text;
}

TEST(Registry, QuerySizesAndShortBuffers) {
    HKEY k = create(HKEY_LOCAL_MACHINE, kSettings);
    set(k, "PartnerID", REG_SZ, std::string("partner\0", 8));
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(k, "partnerid", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(type, REG_SZ);
    char small[4];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(k, "PartnerID", nullptr, &type, reinterpret_cast<BYTE*>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    char buf[255];
    size = sizeof buf;
    EXPECT_EQ(RegQueryValueExA(k, "PartnerID", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(buf, size - 1), "partner");
    EXPECT_EQ(RegQueryValueExA(k, "PartnerID", nullptr, &type, reinterpret_cast<BYTE*>(buf), nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(k);

    EXPECT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Sondrel3.Thing\\CLSID", REG_SZ, "{guid}", 0), ERROR_SUCCESS);
    LONG textSize = sizeof buf;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "sondrel3.thing\\clsid", buf, &textSize), ERROR_SUCCESS);
    EXPECT_EQ(textSize, 7);
    EXPECT_STREQ(buf, "{guid}");
    textSize = sizeof buf;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, "Sondrel3.Thing", buf, &textSize), ERROR_SUCCESS);
    EXPECT_STREQ(buf, "");
}

TEST(Registry, NamesAreCaseInsensitiveKeepTheirSpellingAndEnumerateInOrder) {
    HKEY base = create(HKEY_CURRENT_USER, "Software\\Test");
    DWORD disposition = 0;
    HKEY k = nullptr;
    for (const char* name : {"Zeta", "alpha", "Mid"}) {
        ASSERT_EQ(RegCreateKeyExA(base, name, 0, nullptr, 0, KEY_WRITE, nullptr, &k, &disposition), ERROR_SUCCESS);
        EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
        RegCloseKey(k);
    }
    ASSERT_EQ(RegCreateKeyExA(base, "ZETA", 0, nullptr, 0, KEY_WRITE, nullptr, &k, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(k);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\test\\mid", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);

    std::vector<std::string> names;
    char name[16];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        LSTATUS e = RegEnumKeyExA(base, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(e, ERROR_SUCCESS);
        EXPECT_EQ(size, std::string(name).size());
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Mid", "Zeta"}));
    DWORD tiny = 3;
    EXPECT_EQ(RegEnumKeyExA(base, 0, name, &tiny, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    set(base, "second", REG_DWORD, dword(2));
    set(base, "first", REG_DWORD, dword(1));
    set(base, "SECOND", REG_DWORD, dword(3));
    std::vector<std::pair<std::string, std::string>> values;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, type = 0, dataSize = 4;
        DWORD data = 0;
        LSTATUS e = RegEnumValueA(base, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&data), &dataSize);
        if (e == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(e, ERROR_SUCCESS);
        values.emplace_back(name, std::to_string(data));
    }
    EXPECT_EQ(values, (std::vector<std::pair<std::string, std::string>>{{"second", "3"}, {"first", "1"}}));
    RegCloseKey(base);
}

TEST(Registry, DeletingKeysAndValues) {
    HKEY base = create(HKEY_CLASSES_ROOT, "CLSID\\{X}");
    HKEY inner = create(base, "InprocServer32");
    set(inner, "ThreadingModel", REG_SZ, std::string("Apartment\0", 10));
    EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID\\{X}"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(inner, "ThreadingModel"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(inner, "ThreadingModel"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(base, "inprocserver32"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(base, "InprocServer32"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(query(inner, "ThreadingModel").first, ERROR_KEY_DELETED | 0x80000000u);
    RegCloseKey(inner);

    create(base, "A\\B\\C");
    EXPECT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "clsid\\{x}"), ERROR_SUCCESS);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{X}", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &k), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(RegCloseKey(base), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(base), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST(Registry, AMalformedStoreIsRefusedAndKept) {
    const std::vector<std::string> malformed = {
        "this is not a registry\n",
        "platform-registry 1\n\"lost\"=sz:\"value outside any key\"\n",
        "platform-registry 1\n[HKEY_LOCAL_MACHINE\\Software]\n\"bad\"=sz:\"100%\"\n",
        "platform-registry 1\n[HKEY_LOCAL_MACHINE\\Software]\n\"cut\"=binary:01,0\n",
        "platform-registry 1\n[HKEY_NOWHERE\\Software]\n",
        "platform-registry 1\n[HKEY_LOCAL_MACHINE\\Software]\n\"x\"=what:00\n",
    };
    for (const auto& text : malformed) {
        SCOPED_TRACE(text);
        std::ofstream(storeFile(), std::ios::binary | std::ios::trunc) << text;
        ::testing::internal::CaptureStderr();
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &k), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>("1234"), 4),
                  ERROR_BADDB);
        std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(told.find("malformed"), std::string::npos) << told;
        EXPECT_EQ(told.find('\n'), told.size() - 1) << "told more than once: " << told;
        EXPECT_EQ(slurp(storeFile()), text);
    }
    fs::remove(storeFile());
    HKEY k = create(HKEY_LOCAL_MACHINE, "Software\\New");
    RegCloseKey(k);
}

TEST(Registry, AChangeByAnotherProcessIsSeen) {
    HKEY k = create(HKEY_LOCAL_MACHINE, kSettings);
    set(k, "ModID", REG_SZ, std::string("before\0", 7));
    EXPECT_EQ(query(k, "ModID").second, std::string("before\0", 7));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY c = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_WRITE, &c);
        LSTATUS e = RegSetValueExA(c, "ModID", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\x07\0\0\0"), 4);
        _exit(e == ERROR_SUCCESS ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(query(k, "ModID"), (std::pair<DWORD, std::string>{REG_DWORD, dword(7)}));
    RegCloseKey(k);
}

TEST(Registry, AWriterKilledMidwayNeverLeavesAHalfWrittenStore) {
    const std::size_t size = 256 * 1024;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        HKEY c = create(HKEY_LOCAL_MACHINE, "Software\\Big");
        for (int round = 0;; ++round) {
            std::string data(size, static_cast<char>('a' + round % 26));
            set(c, "Data", REG_BINARY, data);
            if (round == 3 && write(ready[1], "r", 1) != 1) _exit(1);
        }
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);

    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Big", 0, KEY_READ, &k), ERROR_SUCCESS);
    auto [type, data] = query(k, "Data");
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(data.size(), size);
    EXPECT_EQ(data, std::string(size, data[0]));
    RegCloseKey(k);
}

TEST(Registry, ConcurrentWritersInOneProcessLoseNothing) {
    constexpr int kThreads = 8, kValues = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            HKEY k = create(HKEY_CURRENT_USER, ("Software\\Threads\\T" + std::to_string(t)).c_str());
            for (int i = 0; i < kValues; ++i) set(k, ("v" + std::to_string(i)).c_str(), REG_DWORD, dword(t * 100 + i));
            RegCloseKey(k);
        });
    }
    for (auto& th : threads) th.join();
    reopenFromText();
    for (int t = 0; t < kThreads; ++t) {
        HKEY k = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\Threads\\T" + std::to_string(t)).c_str(), 0, KEY_READ, &k),
                  ERROR_SUCCESS);
        for (int i = 0; i < kValues; ++i) EXPECT_EQ(query(k, ("v" + std::to_string(i)).c_str()).second, dword(t * 100 + i));
        RegCloseKey(k);
    }
}

TEST(Registry, StateDirectoryFollowsTheEnvironment) {
    const std::string saved = getenv("PLATFORM_STATE_DIR");
    const char* data = getenv("XDG_DATA_HOME");
    const std::string savedData = data ? data : "";
    std::string tmpl = (fs::temp_directory_path() / "xdg-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    unsetenv("PLATFORM_STATE_DIR");
    setenv("XDG_DATA_HOME", tmpl.c_str(), 1);
    EXPECT_EQ(win32::stateDirectory(), tmpl + "/platform-state");
    EXPECT_TRUE(fs::is_directory(tmpl + "/platform-state"));
    setenv("PLATFORM_STATE_DIR", saved.c_str(), 1);
    EXPECT_EQ(win32::stateDirectory(), saved);
    if (data)
        setenv("XDG_DATA_HOME", savedData.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    fs::remove_all(tmpl);
}

}  // namespace
