#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// Every test process runs against a state directory of its own, removed when it ends,
// so tests never see each other's registry or certificate stores.
int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string tmpl = (fs::temp_directory_path() / "platform-state-XXXXXX").string();
    const char* dir = mkdtemp(tmpl.data());
    if (!dir) return 2;
    setenv("PLATFORM_STATE_DIR", dir, 1);
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return rc;
}
