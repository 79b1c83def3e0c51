// The registry's store file: a file the reader takes holds, through the registry calls, the
// same keys and values after unrelated changes rewrite it, and the rewritten text read afresh
// holds them again, byte for byte; a rewrite of a rewrite is the same text. A file the reader
// refuses stays as it was.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "fuzz/fuzz_check.h"
#include "win32/registry.h"

namespace {

namespace fs = std::filesystem;

const HKEY kRoots[] = {HKEY_CLASSES_ROOT,     HKEY_CURRENT_USER,   HKEY_LOCAL_MACHINE, HKEY_USERS,
                       HKEY_PERFORMANCE_DATA, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA};
const char kMarker[] = "fuzz marker \x01";

fs::path storeFile() { return fs::path(win32::stateDirectory()) / "registry.txt"; }

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh file each time, so that the store sees a new file even within one clock tick.
void writeStore(const std::string& text) {
    const fs::path temporary = storeFile().string() + ".new";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << text;
    fs::rename(temporary, storeFile());
}

// Every key and value, by path; a key whose name cannot be opened by name is listed, not entered.
using Snapshot = std::map<std::string, std::string>;

LSTATUS snapshotKey(HKEY key, const std::string& path, Snapshot& out) {
    static char name[1 << 16];
    static BYTE data[1 << 16];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        const LSTATUS e = RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize);
        if (e == ERROR_NO_MORE_ITEMS) break;
        if (e) return e;
        out["V" + path + "|" + std::string(name, nameSize)] =
            std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        const LSTATUS e = RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (e == ERROR_NO_MORE_ITEMS) break;
        if (e) return e;
        const std::string child(name, nameSize);
        out["K" + path + "\\" + child] = "";
        if (child.find_first_of(std::string("\\\0", 2)) != std::string::npos) continue;
        HKEY sub = nullptr;
        if (LSTATUS o = RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &sub)) return o;
        const LSTATUS s = snapshotKey(sub, path + "\\" + child, out);
        RegCloseKey(sub);
        if (s) return s;
    }
    return ERROR_SUCCESS;
}

LSTATUS snapshot(Snapshot& out) {
    out.clear();
    for (int r = 0; r < 7; ++r)
        if (LSTATUS e = snapshotKey(kRoots[r], std::to_string(r), out)) return e;
    return ERROR_SUCCESS;
}

// The store tells on stderr why it refuses a file; thousands of refusals are no news.
class QuietStderr {
public:
    QuietStderr() : saved_(dup(2)) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        close(null);
    }
    ~QuietStderr() {
        dup2(saved_, 2);
        close(saved_);
    }

private:
    int saved_;
};

void setMarker() {
    FUZZ_CHECK(RegSetValueExA(HKEY_DYN_DATA, kMarker, 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\2\3\4"), 4) ==
               ERROR_SUCCESS);
}
void deleteMarker() { FUZZ_CHECK(RegDeleteValueA(HKEY_DYN_DATA, kMarker) == ERROR_SUCCESS); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The store is rewritten for every input; memory-backed files keep that quick.
    std::string dir = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
                      "registry-fuzz-XXXXXX";
    if (!mkdtemp(dir.data())) std::abort();
    setenv("PLATFORM_STATE_DIR", dir.c_str(), 1);
    static const std::string removeAtExit = dir;
    std::atexit([] { fs::remove_all(removeAtExit); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::bytes(data, size));
    writeStore(text);
    Snapshot before;
    LSTATUS read;
    {
        QuietStderr quiet;
        read = snapshot(before);
    }
    if (read == ERROR_BADDB) {
        LSTATUS refused;
        {
            QuietStderr quiet;
            refused = RegSetValueExA(HKEY_DYN_DATA, kMarker, 0, REG_DWORD, reinterpret_cast<const BYTE*>("1234"), 4);
        }
        FUZZ_CHECK(refused == ERROR_BADDB);
        FUZZ_CHECK(slurp(storeFile()) == text);
        return 0;
    }
    FUZZ_CHECK(read == ERROR_SUCCESS);
    if (before.count("V6|" + std::string(kMarker))) return 0;

    setMarker();
    Snapshot marked;
    FUZZ_CHECK(snapshot(marked) == ERROR_SUCCESS);
    FUZZ_CHECK(marked.erase("V6|" + std::string(kMarker)) == 1);
    FUZZ_CHECK(marked == before);
    deleteMarker();
    const std::string rewritten = slurp(storeFile());

    writeStore(rewritten);
    Snapshot again;
    FUZZ_CHECK(snapshot(again) == ERROR_SUCCESS);
    FUZZ_CHECK(again == before);
    setMarker();
    deleteMarker();
    FUZZ_CHECK(slurp(storeFile()) == rewritten);
    return 0;
}
