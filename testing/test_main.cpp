#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

// Every test runs against a state directory of its own, so that no test sees the registry,
// certificate stores or key containers another test left, whether each test has a process of
// its own or the whole binary runs in one, in any order. A suite's shared set-up (a control it
// registers once) works in the suite's directory, and each of its tests starts from a copy of
// it. The directories go when the process ends: a test's threads may still look at its state
// after it.
class FreshStateDirectories : public ::testing::EmptyTestEventListener {
public:
    explicit FreshStateDirectories(fs::path root) : root_(std::move(root)) {}

    void OnTestSuiteStart(const ::testing::TestSuite&) override {
        suite_ = fresh();
        setenv("PLATFORM_STATE_DIR", suite_.c_str(), 1);
    }
    void OnTestStart(const ::testing::TestInfo&) override {
        const fs::path dir = fresh();
        std::error_code ec;
        fs::copy(suite_, dir, fs::copy_options::recursive, ec);
        setenv("PLATFORM_STATE_DIR", dir.c_str(), 1);
    }

private:
    fs::path fresh() {
        fs::path dir = root_ / std::to_string(++made_);
        fs::create_directory(dir);
        return dir;
    }

    fs::path root_;
    fs::path suite_;
    unsigned made_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    std::string tmpl = (fs::temp_directory_path() / "platform-state-XXXXXX").string();
    const char* root = mkdtemp(tmpl.data());
    if (!root) return 2;
    // Work done before the first suite (static initialisers) has a directory too.
    const fs::path before = fs::path(root) / "0";
    fs::create_directory(before);
    setenv("PLATFORM_STATE_DIR", before.c_str(), 1);
    // The user's data folder (the Trash is there) is never the real user's. The toolkit keeps the
    // first one a process names, so one serves the whole process.
    const fs::path data = fs::path(root) / "data";
    fs::create_directory(data);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStateDirectories(root));
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    fs::remove_all(root, ec);
    return rc;
}
