#include "win32/base.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
thread_local DWORD lastError = 0;
std::atomic<win32::TickSource> tickSource{nullptr};
std::atomic<win32::TimeSource> timeSource{nullptr};

void fromTm(const std::tm& tm, long millis, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(millis);
}

void nowAs(bool local, SYSTEMTIME* out) {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    if (local)
        localtime_r(&secs, &tm);
    else
        gmtime_r(&secs, &tm);
    fromTm(tm, static_cast<long>(ms % 1000), out);
}
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

namespace win32 {
void setTickSource(TickSource source) { tickSource.store(source); }
void setSystemTimeSource(TimeSource source) { timeSource.store(source); }

std::uint64_t monotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD errorFromErrno(int error) {
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    default: return ERROR_INVALID_FUNCTION;
    }
}

std::string stateDirectory() {
    namespace fs = std::filesystem;
    fs::path dir;
    const char* named = std::getenv("PLATFORM_STATE_DIR");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (named && *named)
        dir = named;
    else if (xdg && *xdg == '/')
        dir = fs::path(xdg) / "platform-state";
    else
        dir = fs::path(home && *home ? home : "/tmp") / ".local/share/platform-state";
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        ::chmod(dir.c_str(), 0700);
    }
    return dir.string();
}

bool replaceFileContents(const std::string& path, const std::string& temp, const std::string& text,
                         unsigned mode) {
    int fd = ::open(temp.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    const std::string folder = std::filesystem::path(path).parent_path().string();
    int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

FileLock::FileLock(const std::string& path, unsigned mode) {
    // Opened for reading only, so that every user who may write the locked file can take it.
    fd_ = ::open(path.c_str(), O_CREAT | O_RDONLY | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}
}  // namespace win32

DWORD GetTickCount() {
    if (auto source = tickSource.load()) return source();
    return static_cast<DWORD>(win32::monotonicMilliseconds());
}

void GetSystemTime(SYSTEMTIME* time) {
    if (!time) return;
    if (auto source = timeSource.load()) return source(time);
    nowAs(false, time);
}

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    if (timeSource.load()) return GetSystemTime(time);
    nowAs(true, time);
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
