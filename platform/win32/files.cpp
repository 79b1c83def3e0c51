#include "win32/files.h"

#include "win32/cdrom.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {
namespace {

using FileId = std::pair<dev_t, ino_t>;

struct Opening {
    DWORD access;
    DWORD share;
};

// Every open file of the process with the access it holds and the sharing it allows, so that
// conflicting opens fail with ERROR_SHARING_VIOLATION as they would on the platform. Never
// destroyed: handles may still close while the process exits.
std::mutex& shareLock() {
    static auto* m = new std::mutex;
    return *m;
}
std::multimap<FileId, Opening>& openings() {
    static auto* m = new std::multimap<FileId, Opening>;
    return *m;
}

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

bool conflicts(const Opening& a, const Opening& b) {
    auto denies = [](const Opening& holder, const Opening& asker) {
        if ((asker.access & GENERIC_READ) && !(holder.share & FILE_SHARE_READ)) return true;
        if ((asker.access & GENERIC_WRITE) && !(holder.share & FILE_SHARE_WRITE)) return true;
        return false;
    };
    return denies(a, b) || denies(b, a);
}

class File final : public KernelObject {
public:
    File(int fd, std::multimap<FileId, Opening>::iterator entry, DWORD access)
        : fd_(fd), entry_(entry), access_(access) {}
    ~File() override {
        {
            std::lock_guard lock(shareLock());
            openings().erase(entry_);
        }
        ::close(fd_);
    }
    int fd() const { return fd_; }
    bool canRead() const { return access_ & GENERIC_READ; }
    bool canWrite() const { return access_ & GENERIC_WRITE; }

private:
    int fd_;
    std::multimap<FileId, Opening>::iterator entry_;
    DWORD access_;
};

// The file a handle names, holding a reference for the caller's scope.
class FileRef {
public:
    explicit FileRef(HANDLE h) {
        object_ = referenceHandle(h);
        file_ = object_ ? dynamic_cast<File*>(object_) : nullptr;
        if (object_ && !file_) SetLastError(ERROR_INVALID_HANDLE);
    }
    ~FileRef() {
        if (object_) object_->release();
    }
    FileRef(const FileRef&) = delete;
    FileRef& operator=(const FileRef&) = delete;
    File* operator->() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

private:
    KernelObject* object_ = nullptr;
    File* file_ = nullptr;
};

// ENOENT means a missing file when the folder exists, a missing path otherwise.
DWORD openError(int error, const std::string& path) {
    if (error == ENOENT) {
        auto slash = path.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            struct stat st {};
            if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
        }
        return ERROR_FILE_NOT_FOUND;
    }
    return errorFromErrno(error);
}

bool fail(DWORD error) {
    SetLastError(error);
    return false;
}

}  // namespace

std::string hostPath(LPCSTR path) {
    std::string s = path ? path : "";
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

}  // namespace win32

using namespace win32;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES, DWORD disposition,
                   DWORD, HANDLE) {
    if (!fileName || !*fileName || disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = hostPath(fileName);
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    // Truncation waits until sharing is checked, so it needs a descriptor that may write.
    int flags = O_CLOEXEC;
    if ((desiredAccess & kReadWrite) == kReadWrite || truncate)
        flags |= O_RDWR;
    else if (desiredAccess & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;

    int fd = -1;
    bool existed = false;
    for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
        if (disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) {
            fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0666);
            if (fd >= 0 || errno != EEXIST || disposition == CREATE_NEW) break;
        }
        fd = ::open(path.c_str(), flags);
        existed = fd >= 0;
        if (fd < 0 && (errno != ENOENT || disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) break;
    }
    if (fd < 0) {
        SetLastError(openError(errno, path));
        return INVALID_HANDLE_VALUE;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }

    const FileId id{st.st_dev, st.st_ino};
    const Opening mine{desiredAccess & kReadWrite, shareMode};
    std::multimap<FileId, Opening>::iterator entry;
    {
        std::lock_guard lock(shareLock());
        auto [first, last] = openings().equal_range(id);
        for (auto it = first; it != last; ++it) {
            if (conflicts(it->second, mine)) {
                ::close(fd);
                SetLastError(ERROR_SHARING_VIOLATION);
                return INVALID_HANDLE_VALUE;
            }
        }
        entry = openings().emplace(id, mine);
    }
    HANDLE h = makeHandle(new File(fd, entry, mine.access));
    if (truncate && existed && ::ftruncate(fd, 0) != 0) {
        DWORD error = errorFromErrno(errno);
        CloseHandle(h);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    }
    SetLastError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                          : ERROR_SUCCESS);
    return h;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
    if (read) *read = 0;
    FileRef f(file);
    if (!f) return FALSE;
    if (overlapped) return fail(ERROR_NOT_SUPPORTED);
    if (!f->canRead()) return fail(ERROR_ACCESS_DENIED);
    if (!buffer && count) return fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    while (done < count) {
        ssize_t n = ::read(f->fd(), static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (read) *read = done;
            return fail(errno == EIO ? ERROR_READ_FAULT : errorFromErrno(errno));
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
    if (written) *written = 0;
    FileRef f(file);
    if (!f) return FALSE;
    if (overlapped) return fail(ERROR_NOT_SUPPORTED);
    if (!f->canWrite()) return fail(ERROR_ACCESS_DENIED);
    if (!buffer && count) return fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    while (done < count) {
        ssize_t n = ::write(f->fd(), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (written) *written = done;
            return fail(n < 0 && errno == EIO ? ERROR_WRITE_FAULT : errorFromErrno(n < 0 ? errno : ENOSPC));
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceLow, LPLONG distanceHigh, DWORD moveMethod) {
    FileRef f(file);
    if (!f) return INVALID_SET_FILE_POINTER;
    std::int64_t distance = distanceHigh
        ? static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
                                    static_cast<DWORD>(distanceLow))
        : distanceLow;
    int whence;
    switch (moveMethod) {
    case FILE_BEGIN: whence = SEEK_SET; break;
    case FILE_CURRENT: whence = SEEK_CUR; break;
    case FILE_END: whence = SEEK_END; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_SET_FILE_POINTER;
    }
    if (whence != SEEK_SET) {
        off_t base = ::lseek(f->fd(), 0, whence);
        if (base < 0) {
            SetLastError(errorFromErrno(errno));
            return INVALID_SET_FILE_POINTER;
        }
        if (distance < 0 && base + distance < 0) {
            SetLastError(ERROR_NEGATIVE_SEEK);
            return INVALID_SET_FILE_POINTER;
        }
        distance += base;
    }
    if (distance < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t pos = ::lseek(f->fd(), static_cast<off_t>(distance), SEEK_SET);
    if (pos < 0) {
        SetLastError(errorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    FileRef f(file);
    if (!f) return INVALID_FILE_SIZE;
    struct stat st {};
    if (::fstat(f->fd(), &st) != 0) {
        SetLastError(errorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    auto size = static_cast<std::uint64_t>(st.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL FlushFileBuffers(HANDLE file) {
    FileRef f(file);
    if (!f) return FALSE;
    if (!f->canWrite()) return fail(ERROR_ACCESS_DENIED);
    if (::fsync(f->fd()) != 0) return fail(errorFromErrno(errno));
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    if (!fileName || !*fileName) return fail(ERROR_PATH_NOT_FOUND);
    const std::string path = hostPath(fileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(openError(errno, path));
    if (S_ISDIR(st.st_mode)) return fail(ERROR_ACCESS_DENIED);
    std::lock_guard lock(shareLock());
    auto [first, last] = openings().equal_range(FileId{st.st_dev, st.st_ino});
    for (auto it = first; it != last; ++it)
        if (!(it->second.share & FILE_SHARE_DELETE)) return fail(ERROR_SHARING_VIOLATION);
    if (::unlink(path.c_str()) != 0) return fail(openError(errno, path));
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (auto onDisc = cdPathAttributes(fileName)) return *onDisc;
    const std::string path = hostPath(fileName);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        SetLastError(openError(errno, path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (::access(path.c_str(), W_OK) != 0 && errno == EACCES) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}
