#include "program_env.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {
std::string& folderOverride() {
    static std::string folder;
    return folder;
}

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}
}  // namespace

std::string ProgramFolder() {
    if (!folderOverride().empty()) return folderOverride();
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path().string() : self.parent_path().string();
}

void SetProgramFolder(const std::string& folder) { folderOverride() = folder; }

std::string ServiceHost() { return environment("TAVIMO_SERVICE_HOST", "service.tavimo.example"); }

std::string ConnectivityUrl() { return environment("TAVIMO_CONNECTIVITY_URL", "http://www.example.com/"); }
