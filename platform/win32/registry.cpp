#include "win32/registry.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win32 {
namespace {

constexpr const char* kRootNames[] = {
    "HKEY_CLASSES_ROOT",      "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr int kRoots = 7;
constexpr std::string_view kSignature = "platform-registry 1";

std::string fold(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

struct Value {
    std::string name;
    DWORD type;
    std::string data;
};

struct Key {
    std::string name;
    std::vector<Value> values;
    std::map<std::string, std::unique_ptr<Key>> children;  // by folded name, so in name order

    Value* value(std::string_view name) {
        const std::string f = fold(name);
        for (auto& v : values)
            if (fold(v.name) == f) return &v;
        return nullptr;
    }
    Key* child(std::string_view name) {
        auto it = children.find(fold(name));
        return it == children.end() ? nullptr : it->second.get();
    }
    Key* childOrNew(std::string_view name, bool& created) {
        auto& slot = children[fold(name)];
        if (!slot) {
            slot = std::make_unique<Key>();
            slot->name = std::string(name);
            created = true;
        }
        return slot.get();
    }
};

using Tree = std::array<Key, kRoots>;

// What an open key handle names: a root and the folded names below it. Looked up anew on every
// call, so a handle to a key deleted meanwhile answers ERROR_KEY_DELETED.
struct OpenKey {
    int root;
    std::vector<std::string> path;
};

std::vector<std::string> splitPath(LPCSTR subKey) {
    std::vector<std::string> parts;
    std::string_view s = subKey ? subKey : "";
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find('\\', start);
        if (end == std::string_view::npos) end = s.size();
        if (end > start) parts.emplace_back(s.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// ---- The text form ----

bool needsEscape(unsigned char c) { return c < 0x20 || c >= 0x7F || c == '%' || c == '"' || c == '[' || c == ']'; }

// A key name also escapes '\', which would otherwise split it into nested keys. Value names
// and texts keep theirs as written, so that stores holding plain paths stay readable.
void escape(std::string_view s, std::string& out, bool keyName = false) {
    static const char hex[] = "0123456789ABCDEF";
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (needsEscape(c) || (keyName && c == '\\')) {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        } else {
            out.push_back(ch);
        }
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            if (i + 2 >= s.size()) return std::nullopt;
            int hi = hexDigit(s[i + 1]), lo = hexDigit(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else if (needsEscape(static_cast<unsigned char>(s[i]))) {
            return std::nullopt;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string typeToken(DWORD type) {
    switch (type) {
    case REG_SZ: return "sz";
    case REG_EXPAND_SZ: return "expand_sz";
    case REG_BINARY: return "binary";
    case REG_DWORD: return "dword";
    case REG_MULTI_SZ: return "multi_sz";
    default: return "type(" + std::to_string(type) + ")";
    }
}

std::optional<DWORD> parseTypeToken(std::string_view t) {
    if (t == "sz") return REG_SZ;
    if (t == "expand_sz") return REG_EXPAND_SZ;
    if (t == "binary") return REG_BINARY;
    if (t == "dword") return REG_DWORD;
    if (t == "multi_sz") return REG_MULTI_SZ;
    if (t.size() > 6 && t.starts_with("type(") && t.back() == ')') {
        std::uint64_t n = 0;
        for (char c : t.substr(5, t.size() - 6)) {
            if (c < '0' || c > '9' || n > 0xFFFFFFFFu) return std::nullopt;
            n = n * 10 + static_cast<unsigned>(c - '0');
        }
        if (n > 0xFFFFFFFFu) return std::nullopt;
        return static_cast<DWORD>(n);
    }
    return std::nullopt;
}

void writeValue(const Value& v, std::string& out) {
    if (v.name.empty()) {
        out += "@";
    } else {
        out += '"';
        escape(v.name, out);
        out += '"';
    }
    out += '=';
    out += typeToken(v.type);
    out += ':';
    const bool text = v.type == REG_SZ || v.type == REG_EXPAND_SZ || v.type == REG_MULTI_SZ;
    if (text && !v.data.empty() && v.data.back() == '\0') {
        out += '"';
        escape(std::string_view(v.data).substr(0, v.data.size() - 1), out);
        out += '"';
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        DWORD n;
        std::memcpy(&n, v.data.data(), 4);
        char buf[9];
        std::snprintf(buf, sizeof buf, "%08x", n);
        out += buf;
    } else {
        static const char hex[] = "0123456789abcdef";
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            if (i) out += ',';
            auto c = static_cast<unsigned char>(v.data[i]);
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    out += '\n';
}

void writeKey(const Key& k, const std::string& path, std::string& out, bool isRoot) {
    if (!isRoot || !k.values.empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& v : k.values) writeValue(v, out);
    }
    for (const auto& [folded, child] : k.children) {
        std::string sub = path + "\\";
        escape(child->name, sub, true);
        writeKey(*child, sub, out, false);
    }
}

std::string serialise(const Tree& tree) {
    std::string out(kSignature);
    out += '\n';
    for (int r = 0; r < kRoots; ++r) writeKey(tree[r], kRootNames[r], out, true);
    return out;
}

std::optional<std::string> parseData(DWORD type, std::string_view d) {
    if (!d.empty() && d.front() == '"') {
        if (d.size() < 2 || d.back() != '"') return std::nullopt;
        auto text = unescape(d.substr(1, d.size() - 2));
        if (!text) return std::nullopt;
        text->push_back('\0');
        return text;
    }
    std::string bytes;
    if (type == REG_DWORD && d.size() == 8 && d.find(',') == std::string_view::npos) {
        DWORD n = 0;
        for (char c : d) {
            int h = hexDigit(c);
            if (h < 0) return std::nullopt;
            n = n * 16 + static_cast<DWORD>(h);
        }
        bytes.resize(4);
        std::memcpy(bytes.data(), &n, 4);
        return bytes;
    }
    if (d.empty()) return bytes;
    for (std::size_t i = 0;; i += 3) {
        if (i + 2 > d.size()) return std::nullopt;
        int hi = hexDigit(d[i]), lo = hexDigit(d[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        if (i + 2 == d.size()) return bytes;
        if (d[i + 2] != ',') return std::nullopt;
    }
}

// Parses the whole file or nothing; the reason of a failure names its line.
bool parse(std::string_view text, Tree& tree, std::string& why) {
    std::size_t lineNo = 0, pos = 0;
    Key* current = nullptr;
    bool signed_ = false;
    auto bad = [&](const char* reason) {
        why = "line " + std::to_string(lineNo) + ": " + reason;
        return false;
    };
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == ';') continue;
        if (!signed_) {
            if (line != kSignature) return bad("not a registry file (no signature line)");
            signed_ = true;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') return bad("unterminated key name");
            auto parts = splitPath(std::string(line.substr(1, line.size() - 2)).c_str());
            if (parts.empty()) return bad("empty key name");
            int root = -1;
            for (int r = 0; r < kRoots; ++r)
                if (fold(parts[0]) == fold(kRootNames[r])) root = r;
            if (root < 0) return bad("unknown root key");
            current = &tree[root];
            for (std::size_t i = 1; i < parts.size(); ++i) {
                auto name = unescape(parts[i]);
                if (!name || name->empty()) return bad("bad key name");
                bool created = false;
                current = current->childOrNew(*name, created);
            }
            continue;
        }
        if (!current) return bad("value outside any key");
        std::string name;
        std::size_t eq;
        if (line.front() == '@') {
            eq = 1;
        } else if (line.front() == '"') {
            std::size_t close = line.find('"', 1);
            if (close == std::string_view::npos) return bad("unterminated value name");
            auto n = unescape(line.substr(1, close - 1));
            if (!n || n->empty()) return bad("bad value name");
            name = *n;
            eq = close + 1;
        } else {
            return bad("unrecognised line");
        }
        if (eq >= line.size() || line[eq] != '=') return bad("missing '='");
        std::size_t colon = line.find(':', eq + 1);
        if (colon == std::string_view::npos) return bad("missing value type");
        auto type = parseTypeToken(line.substr(eq + 1, colon - eq - 1));
        if (!type) return bad("unknown value type");
        auto data = parseData(*type, line.substr(colon + 1));
        if (!data) return bad("bad value data");
        if (current->value(name)) return bad("value given twice");
        current->values.push_back(Value{name, *type, *data});
    }
    if (!text.empty() && !signed_) return bad("not a registry file (no signature line)");
    return true;
}

// ---- The store ----

struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    std::int64_t mtimeNs = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const struct stat& st) {
    return Stamp{st.st_dev, st.st_ino, st.st_size,
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

class Store {
public:
    // Never destroyed, so that keys may still be closed while the process exits.
    static Store& get() {
        static auto* store = new Store;
        return *store;
    }

    // Runs f(tree) on the current state of the store file.
    template <class F>
    DWORD read(F&& f) {
        std::lock_guard lock(mutex_);
        if (DWORD e = refresh()) return e;
        return f(tree_);
    }

    // Runs f(tree, changed) under the file lock and writes the store when f changed it.
    template <class F>
    DWORD change(F&& f) {
        std::lock_guard lock(mutex_);
        const std::string dir = stateDirectory();
        const FileLock fileLock(dir + "/registry.lock", 0600);
        if (!fileLock.held()) return ERROR_CANTWRITE;
        DWORD result = refresh();
        if (!result) {
            bool changed = false;
            result = f(tree_, changed);
            if (changed && !save(dir)) {
                // Forget the unsaved change: the next call reads the file again.
                loaded_ = false;
                result = ERROR_CANTWRITE;
            }
        }
        return result;
    }

    HKEY addHandle(OpenKey key) {
        std::lock_guard lock(mutex_);
        auto id = nextHandle_++;
        handles_.emplace(id, std::move(key));
        return reinterpret_cast<HKEY>(id);
    }
    bool closeHandle(HKEY key) {
        std::lock_guard lock(mutex_);
        return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) > 0;
    }
    // With the store lock held (inside read or change).
    std::optional<OpenKey> lookupHandle(HKEY key) {
        for (int r = 0; r < kRoots; ++r)
            if (key == rootHandle(r)) return OpenKey{r, {}};
        auto it = handles_.find(reinterpret_cast<std::uintptr_t>(key));
        if (it == handles_.end()) return std::nullopt;
        return it->second;
    }

    static HKEY rootHandle(int r) {
        return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000000u + static_cast<DWORD>(r))));
    }

private:
    std::string filePath() const { return stateDirectory() + "/registry.txt"; }

    DWORD refresh() {
        const std::string path = filePath();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) return refuse(path, Stamp{}, std::string("cannot be read: ") + std::strerror(errno));
            if (!loaded_ || path_ != path || present_) {
                tree_ = Tree{};
                loaded_ = true;
                present_ = false;
                bad_ = false;
                path_ = path;
            }
            return ERROR_SUCCESS;
        }
        if (loaded_ && present_ && path_ == path && stamp_ == stampOf(st)) return bad_ ? ERROR_BADDB : ERROR_SUCCESS;

        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            if (fd >= 0) ::close(fd);
            return refuse(path, Stamp{}, std::string("cannot be read: ") + std::strerror(errno));
        }
        std::string text;
        char buf[65536];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) text.append(buf, static_cast<std::size_t>(n));
        ::close(fd);
        if (n < 0) return refuse(path, stampOf(st), std::string("cannot be read: ") + std::strerror(errno));

        Tree fresh;
        std::string why;
        if (!parse(text, fresh, why)) return refuse(path, stampOf(st), "is malformed (" + why + ")");
        tree_ = std::move(fresh);
        loaded_ = true;
        present_ = true;
        bad_ = false;
        path_ = path;
        stamp_ = stampOf(st);
        return ERROR_SUCCESS;
    }

    // A store that cannot be used is kept as it is and refused; the reason is told once for
    // each state of the file.
    DWORD refuse(const std::string& path, Stamp stamp, const std::string& why) {
        if (!(bad_ && path_ == path && stamp_ == stamp && loaded_)) {
            std::fprintf(stderr,
                         "registry: the store %s %s; it is left untouched and registry calls fail until it is mended "
                         "or removed\n",
                         path.c_str(), why.c_str());
        }
        tree_ = Tree{};
        loaded_ = true;
        present_ = true;
        bad_ = true;
        path_ = path;
        stamp_ = stamp;
        return ERROR_BADDB;
    }

    bool save(const std::string& dir) {
        const std::string text = serialise(tree_);
        const std::string path = dir + "/registry.txt";
        // One name for every writer: they take turns under the file lock, and a temporary file
        // left by a writer that died is simply written over by the next.
        if (!replaceFileContents(path, path + ".tmp", text, 0600)) return false;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            stamp_ = stampOf(st);
            present_ = true;
            path_ = path;
        } else {
            loaded_ = false;
        }
        return true;
    }

    std::mutex mutex_;
    Tree tree_;
    bool loaded_ = false;
    bool present_ = false;
    bool bad_ = false;
    std::string path_;
    Stamp stamp_;
    std::unordered_map<std::uintptr_t, OpenKey> handles_;
    std::uintptr_t nextHandle_ = 0x1000;
};

Key* find(Tree& tree, const OpenKey& k) {
    Key* key = &tree[k.root];
    for (const auto& part : k.path) {
        key = key->child(part);
        if (!key) return nullptr;
    }
    return key;
}

// The key a handle names, or the error for it.
DWORD keyOf(Tree& tree, HKEY h, Key*& key, OpenKey* open = nullptr) {
    auto k = Store::get().lookupHandle(h);
    if (!k) return ERROR_INVALID_HANDLE;
    key = find(tree, *k);
    if (!key) return ERROR_KEY_DELETED;
    if (open) *open = *k;
    return ERROR_SUCCESS;
}

// The data of a value into a caller's buffer, with the size protocol of the query calls.
DWORD copyData(const Value& v, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (type) *type = v.type;
    if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    const auto needed = static_cast<DWORD>(v.data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, v.data.data(), needed);
    }
    *size = needed;
    return ERROR_SUCCESS;
}

DWORD copyName(const std::string& name, LPSTR out, LPDWORD size) {
    if (!out || !size) return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > *size) return ERROR_MORE_DATA;
    std::memcpy(out, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

LSTATUS status(DWORD e) { return static_cast<LSTATUS>(e); }

}  // namespace
}  // namespace win32

using namespace win32;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) return status(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    OpenKey opened;
    DWORD e = Store::get().read([&](Tree& tree) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k, &opened)) return err;
        for (const auto& part : splitPath(subKey)) {
            k = k->child(part);
            if (!k) return ERROR_FILE_NOT_FOUND;
            opened.path.push_back(fold(part));
        }
        return ERROR_SUCCESS;
    });
    if (!e) *result = Store::get().addHandle(std::move(opened));
    return status(e);
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition) {
    if (!result) return status(ERROR_INVALID_PARAMETER);
    *result = nullptr;
    OpenKey opened;
    bool created = false;
    DWORD e = Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k, &opened)) return err;
        for (const auto& part : splitPath(subKey)) {
            k = k->childOrNew(part, created);
            opened.path.push_back(fold(part));
        }
        changed = created;
        return ERROR_SUCCESS;
    });
    if (e) return status(e);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = Store::get().addHandle(std::move(opened));
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    for (int r = 0; r < kRoots; ++r)
        if (key == Store::rootHandle(r)) return ERROR_SUCCESS;
    return status(Store::get().closeHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE);
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    return status(Store::get().read([&](Tree& tree) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        const Value* v = k->value(valueName ? valueName : "");
        if (!v) return ERROR_FILE_NOT_FOUND;
        return copyData(*v, type, data, size);
    }));
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
    if (!data && size) return status(ERROR_INVALID_PARAMETER);
    return status(Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        std::string bytes(reinterpret_cast<const char*>(data), size);
        const std::string name = valueName ? valueName : "";
        if (Value* v = k->value(name)) {
            v->type = type;
            v->data = std::move(bytes);
        } else {
            k->values.push_back(Value{name, type, std::move(bytes)});
        }
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
    return status(Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        Value* v = k->value(valueName ? valueName : "");
        if (!v) return ERROR_FILE_NOT_FOUND;
        k->values.erase(k->values.begin() + (v - k->values.data()));
        changed = true;
        return ERROR_SUCCESS;
    }));
}

namespace {
// Finds the parent of subKey below key and the child's folded name; an empty subKey names the
// key itself, which must not be a root.
DWORD parentOf(Tree& tree, HKEY key, LPCSTR subKey, Key*& parent, std::string& child) {
    OpenKey open;
    Key* k;
    if (DWORD err = keyOf(tree, key, k, &open)) return err;
    auto parts = splitPath(subKey);
    if (parts.empty()) {
        if (open.path.empty()) return ERROR_ACCESS_DENIED;
        child = open.path.back();
        open.path.pop_back();
        parent = find(tree, open);
        return parent ? ERROR_SUCCESS : ERROR_KEY_DELETED;
    }
    child = fold(parts.back());
    parts.pop_back();
    parent = k;
    for (const auto& part : parts) {
        parent = parent->child(part);
        if (!parent) return ERROR_FILE_NOT_FOUND;
    }
    return parent->child(child) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
}  // namespace

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    if (!subKey) return status(ERROR_INVALID_PARAMETER);
    return status(Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        Key* parent;
        std::string child;
        if (DWORD err = parentOf(tree, key, subKey, parent, child)) return err;
        if (!parent->children.at(child)->children.empty()) return ERROR_ACCESS_DENIED;
        parent->children.erase(child);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegDeleteTreeA(HKEY key, LPCSTR subKey) {
    return status(Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        if (splitPath(subKey).empty()) {
            Key* k;
            if (DWORD err = keyOf(tree, key, k)) return err;
            changed = !k->values.empty() || !k->children.empty();
            k->values.clear();
            k->children.clear();
            return ERROR_SUCCESS;
        }
        Key* parent;
        std::string child;
        if (DWORD err = parentOf(tree, key, subKey, parent, child)) return err;
        parent->children.erase(child);
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR keyClass,
                      LPDWORD classSize, FILETIME* lastWriteTime) {
    return status(Store::get().read([&](Tree& tree) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        if (index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
        auto it = k->children.begin();
        std::advance(it, index);
        if (DWORD err = copyName(it->second->name, name, nameSize)) return err;
        if (keyClass && classSize && *classSize) *keyClass = '\0';
        if (classSize) *classSize = 0;
        if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize) {
    return status(Store::get().read([&](Tree& tree) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
        const Value& v = k->values[index];
        if (DWORD err = copyName(v.name, valueName, valueNameSize)) return err;
        return copyData(v, type, data, dataSize);
    }));
}

LSTATUS RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD) {
    if (type != REG_SZ || !data) return status(ERROR_INVALID_PARAMETER);
    return status(Store::get().change([&](Tree& tree, bool& changed) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        for (const auto& part : splitPath(subKey)) k = k->childOrNew(part, changed);
        std::string bytes(data, std::strlen(data) + 1);
        if (Value* v = k->value("")) {
            v->type = REG_SZ;
            v->data = std::move(bytes);
        } else {
            k->values.push_back(Value{"", REG_SZ, std::move(bytes)});
        }
        changed = true;
        return ERROR_SUCCESS;
    }));
}

LSTATUS RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LPLONG size) {
    return status(Store::get().read([&](Tree& tree) -> DWORD {
        Key* k;
        if (DWORD err = keyOf(tree, key, k)) return err;
        for (const auto& part : splitPath(subKey)) {
            k = k->child(part);
            if (!k) return ERROR_FILE_NOT_FOUND;
        }
        const Value* v = k->value("");
        const Value empty{"", REG_SZ, std::string(1, '\0')};
        if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
        DWORD n = static_cast<DWORD>(*size < 0 ? 0 : *size);
        DWORD e = copyData(v ? *v : empty, nullptr, reinterpret_cast<LPBYTE>(data), &n);
        *size = static_cast<LONG>(n);
        return e;
    }));
}
