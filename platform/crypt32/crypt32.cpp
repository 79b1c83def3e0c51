#include "crypt32/bridge.h"
#include "crypt32/crypt32.h"
#include "win32/codepage.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<BYTE>;

std::recursive_mutex& lock() {
    static std::recursive_mutex m;
    return m;
}

fs::path stateDirectory() { return win32::stateDirectory(); }

std::string utf8(LPCWSTR w) {
    if (!w) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), n, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

std::u16string utf16(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n > 0 ? n : 1), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, out.data(), n);
    out.resize(std::char_traits<char16_t>::length(out.c_str()));
    return out;
}

std::string hex(const BYTE* p, std::size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

Bytes nameDer(const X509_NAME* name) {
    unsigned char* der = nullptr;
    int n = i2d_X509_NAME(name, &der);
    Bytes out;
    if (n > 0) out.assign(der, der + n);
    OPENSSL_free(der);
    return out;
}

FILETIME toFileTime(const ASN1_TIME* t) {
    std::tm tm{};
    FILETIME ft{};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1) return ft;
    std::int64_t secs = timegm(&tm);
    std::uint64_t v = static_cast<std::uint64_t>(secs + 11644473600LL) * 10000000ULL;
    ft.dwLowDateTime = static_cast<DWORD>(v);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return ft;
}

// What tells versions of a file apart as far as its metadata can: a rewrite within one tick of
// the clock that keeps the inode and the size looks the same.
struct FileStamp {
    bool exists = false;
    std::uint64_t inode = 0, size = 0;
    std::int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& st) {
    return {true, static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec), static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

FileStamp stampOf(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return stampOf(st);
}

struct Store;
void releaseStore(Store* s);

// A certificate context; the public part comes first so a PCCERT_CONTEXT is its address.
struct Cert {
    CERT_CONTEXT pub{};
    CERT_INFO info{};
    Bytes der, serial, issuer, subject;
    X509* x509 = nullptr;
    std::atomic<int> refs{1};  // its holders, and its store while it is in one
    Store* store = nullptr;    // the store holding it, or nullptr once deleted / for a lone context
    std::map<DWORD, Bytes> props;

    ~Cert() { X509_free(x509); }
};

Cert* asCert(PCCERT_CONTEXT c) { return const_cast<Cert*>(reinterpret_cast<const Cert*>(c)); }

// Takes over the reference to x.
Cert* wrapCert(X509* x, Bytes der) {
    auto* c = new Cert;
    c->x509 = x;
    c->der = std::move(der);
    c->subject = nameDer(X509_get_subject_name(x));
    c->issuer = nameDer(X509_get_issuer_name(x));
    const ASN1_INTEGER* sn = X509_get0_serialNumber(x);
    c->serial.assign(sn->data, sn->data + sn->length);
    std::reverse(c->serial.begin(), c->serial.end());  // kept least significant byte first
    c->info.dwVersion = static_cast<DWORD>(X509_get_version(x));
    c->info.SerialNumber = {static_cast<DWORD>(c->serial.size()), c->serial.data()};
    c->info.Issuer = {static_cast<DWORD>(c->issuer.size()), c->issuer.data()};
    c->info.Subject = {static_cast<DWORD>(c->subject.size()), c->subject.data()};
    c->info.NotBefore = toFileTime(X509_get0_notBefore(x));
    c->info.NotAfter = toFileTime(X509_get0_notAfter(x));
    c->pub.dwCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    c->pub.pbCertEncoded = c->der.data();
    c->pub.cbCertEncoded = static_cast<DWORD>(c->der.size());
    c->pub.pCertInfo = &c->info;
    return c;
}

Cert* makeCert(const BYTE* data, std::size_t length) {
    const unsigned char* p = data;
    X509* x = d2i_X509(nullptr, &p, static_cast<long>(length));
    if (!x || p != data + length) {
        X509_free(x);
        ERR_clear_error();
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    return wrapCert(x, Bytes(data, data + length));
}

Cert* copyCert(const Cert& from) {
    X509_up_ref(from.x509);
    Cert* c = wrapCert(from.x509, from.der);
    c->props = from.props;
    return c;
}

// A context held outside its store keeps the store alive, as on the platform: the store counts
// its open handles and every such reference.
Cert* retain(Cert* c);
void release(Cert* c);

// A store: system stores are kept as one text file each in the state directory and shared by
// every handle of the process that opens them; memory stores live as long as their handles.
struct Store {
    bool system = false;
    bool machine = false;
    bool readOnly = false;
    std::string name;
    fs::path file;
    std::vector<Cert*> certs;
    std::vector<std::string> unreadable;  // lines of its file that cannot be read, written back as they are
    std::size_t builtIn = 0;  // leading certificates that come from the system trust bundle
    int refs = 1;             // open handles and contexts taken from it that are still held

    ~Store() {
        for (Cert* c : certs) {
            c->store = nullptr;
            c->pub.hCertStore = nullptr;
            release(c);
        }
    }
};

std::map<std::string, Store*>& openSystemStores() {
    static std::map<std::string, Store*> m;
    return m;
}

std::string storeKey(bool machine, const std::string& upperName) {
    return std::string(machine ? "machine/" : "user/") + upperName;
}

void releaseStore(Store* s) {
    if (--s->refs > 0) return;
    if (s->system) openSystemStores().erase(storeKey(s->machine, s->name));
    delete s;
}

Cert* retain(Cert* c) {
    c->refs.fetch_add(1);
    if (c->store) ++c->store->refs;
    return c;
}

void release(Cert* c) {
    if (!c) return;
    Store* s = c->store;
    if (c->refs.fetch_sub(1) == 1) delete c;
    if (s) releaseStore(s);
}

void attach(Cert* c, Store* s) {
    c->store = s;
    c->pub.hCertStore = s;
    s->certs.push_back(c);
}

// Ends c's membership of its store (already out of the store's list), which its holders no
// longer keep alive; the store may now be unreferenced, which the caller settles.
void orphan(Cert* c) {
    Store* s = c->store;
    s->refs -= c->refs.load() - 1;
    c->store = nullptr;
    c->pub.hCertStore = nullptr;
    release(c);
}

// Takes c out of its store, as orphan does.
void detach(Cert* c) {
    Store* s = c->store;
    s->certs.erase(std::find(s->certs.begin(), s->certs.end(), c));
    orphan(c);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string encodeProps(const Cert& c) {
    std::string out;
    for (const auto& [id, v] : c.props) out += " " + std::to_string(id) + ":" + hex(v.data(), v.size());
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<Bytes> unhex(std::string_view s) {
    if (s.size() % 2) return std::nullopt;
    Bytes out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2) {
        int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<BYTE>(hi * 16 + lo));
    }
    return out;
}

std::optional<DWORD> decimalDword(std::string_view s) {
    if (s.empty() || s.size() > 10) return std::nullopt;
    std::uint64_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (n > 0xFFFFFFFFu) return std::nullopt;
    return static_cast<DWORD>(n);
}

const char* const kTrustBundle = "/etc/ssl/certs/ca-certificates.crt";

// The system trust bundle, parsed once per version of the file: reading it is the larger part
// of every chain otherwise.
const std::vector<Cert*>& bundleCerts() {
    static auto& certs = *new std::vector<Cert*>;  // kept for the life of the process
    static FileStamp stamp;
    static bool loaded = false;
    FileStamp now = stampOf(kTrustBundle);
    if (loaded && now == stamp) return certs;
    for (Cert* c : certs) release(c);
    certs.clear();
    if (FILE* f = std::fopen(kTrustBundle, "r")) {
        while (X509* x = PEM_read_X509(f, nullptr, nullptr, nullptr)) {
            unsigned char* der = nullptr;
            int n = i2d_X509(x, &der);
            if (n > 0) {
                certs.push_back(wrapCert(x, Bytes(der, der + n)));
            } else {
                X509_free(x);
            }
            OPENSSL_free(der);
        }
        ERR_clear_error();
        std::fclose(f);
    }
    stamp = now;
    loaded = true;
    return certs;
}

fs::path systemStoreFile(bool machine, const std::string& upperName) {
    return stateDirectory() / "certificates" / (machine ? "machine" : "user") / (upperName + ".store");
}

// One line of a store file: the certificate, then its properties as id:value; nullptr when any
// part of it cannot be read.
Cert* parseStoreLine(const std::string& line) {
    std::istringstream words(line);
    std::string derHex;
    words >> derHex;
    std::optional<Bytes> der = unhex(derHex);
    if (!der || der->empty()) return nullptr;
    std::map<DWORD, Bytes> props;
    std::string prop;
    while (words >> prop) {
        std::size_t colon = prop.find(':');
        if (colon == std::string::npos) return nullptr;
        std::optional<DWORD> id = decimalDword(std::string_view(prop).substr(0, colon));
        std::optional<Bytes> value = unhex(std::string_view(prop).substr(colon + 1));
        if (!id || !value) return nullptr;
        props[*id] = std::move(*value);
    }
    Cert* c = makeCert(der->data(), der->size());
    if (c) c->props = std::move(props);
    return c;
}

// Told once for each version of a store file, as the registry tells of a store it cannot use.
void tellUnreadable(const fs::path& file, const FileStamp& stamp, std::size_t lines) {
    static std::map<std::string, FileStamp> told;
    auto [it, fresh] = told.try_emplace(file.string(), stamp);
    if (!fresh && it->second == stamp) return;
    it->second = stamp;
    std::fprintf(stderr, "certificates: the store %s has %zu unreadable line(s); they are skipped and kept as they are\n",
                 file.c_str(), lines);
}

struct StoreFile {
    std::vector<Cert*> certs;  // lone contexts
    std::vector<std::string> unreadable;
};

// The text of one version of a store file and what identifies that version.
struct StoreText {
    std::string text;
    FileStamp version;
};

// A missing file is an empty store; nullopt when the file is there but cannot be read, which
// no change may take for an empty or shorter store.
std::optional<StoreText> readStoreText(const fs::path& file) {
    StoreText out;
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return out;
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0) out.version = stampOf(st);
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) out.text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    if (n < 0) return std::nullopt;
    return out;
}

// Lines that cannot be read are set aside so that the rest of the store stays usable.
StoreFile parseStoreText(const fs::path& file, const StoreText& version) {
    StoreFile out;
    std::istringstream in(version.text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r\v\f") == std::string::npos) continue;
        if (Cert* c = parseStoreLine(line))
            out.certs.push_back(c);
        else
            out.unreadable.push_back(line);
    }
    if (!out.unreadable.empty()) tellUnreadable(file, version.version, out.unreadable.size());
    return out;
}

// For readers only: a file that cannot be read shows as an empty store.
StoreFile readStoreFile(const fs::path& file) {
    std::optional<StoreText> text = readStoreText(file);
    return text ? parseStoreText(file, *text) : StoreFile{};
}

// Writes text to a temporary file of this writer beside file, then renames it over file; on
// failure nothing of the temporary file is left.
bool replaceFile(const fs::path& file, const std::string& text, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    fs::path tmp = file;
    tmp += "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp";
    return win32::replaceFileContents(file.string(), tmp.string(), text, mode);
}

// Removes what writers that died left of their temporary files for file: every writer holds
// the file's lock while its temporary file exists, so one found under the lock is a leftover.
void removeLeftovers(const fs::path& file) {
    const std::string prefix = file.filename().string() + ".";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(file.parent_path(), ec)) {
        const std::string n = e.path().filename().string();
        if (n.size() > prefix.size() + 4 && n.starts_with(prefix) && n.ends_with(".tmp")) fs::remove(e.path(), ec);
    }
}

Store* openSystemStore(const std::string& name, bool machine, bool readOnly) {
    std::string key = storeKey(machine, upper(name));
    auto& open = openSystemStores();
    if (auto it = open.find(key); it != open.end()) {
        ++it->second->refs;
        return it->second;
    }
    auto* s = new Store;
    s->system = true;
    s->machine = machine;
    s->readOnly = readOnly;
    s->name = upper(name);
    s->file = systemStoreFile(machine, s->name);
    if (s->name == "ROOT") {
        for (Cert* c : bundleCerts()) attach(copyCert(*c), s);
        s->builtIn = s->certs.size();
    }
    StoreFile disk = readStoreFile(s->file);
    for (Cert* c : disk.certs) attach(c, s);
    s->unreadable = std::move(disk.unreadable);
    open[key] = s;
    return s;
}

// Brings a system store's own certificates in line with a version of its file: the contexts of
// certificates still there stay (with the file's properties), the others leave the store.
void syncWithFile(Store* s, const StoreText& version) {
    StoreFile file = parseStoreText(s->file, version);
    s->unreadable = std::move(file.unreadable);
    std::vector<Cert*>& disk = file.certs;
    std::vector<Cert*> old(s->certs.begin() + static_cast<std::ptrdiff_t>(s->builtIn), s->certs.end());
    s->certs.resize(s->builtIn);
    for (Cert* d : disk) {
        auto same = std::find_if(old.begin(), old.end(), [d](Cert* c) { return c && c->der == d->der; });
        if (same == old.end()) {
            attach(d, s);
            continue;
        }
        (*same)->props = std::move(d->props);
        s->certs.push_back(*same);
        *same = nullptr;
        release(d);
    }
    for (Cert* c : old)
        if (c) orphan(c);
}

bool writeStoreFile(Store& s) {
    std::string text;
    for (std::size_t i = s.builtIn; i < s.certs.size(); ++i) {
        const Cert& c = *s.certs[i];
        text += hex(c.der.data(), c.der.size()) + encodeProps(c) + "\n";
    }
    for (const std::string& line : s.unreadable) text += line + "\n";
    return replaceFile(s.file, text, 0666);
}

// Runs change on the store's current content and keeps the result. For a system store that is
// done under the lock of its file, on the file as it is now, so that no other process's write
// is lost; a result that cannot be written is dropped again. change returns an error code and
// sets write when it changed the store.
template <class Change>
DWORD changeStore(Store* s, Change&& change) {
    bool write = false;
    ++s->refs;  // the contexts a change or a new read drops may be all that held it
    struct Settle {
        Store* s;
        ~Settle() { releaseStore(s); }
    } settle{s};
    if (!s->system) return change(write);
    std::error_code ec;
    fs::create_directories(s->file.parent_path(), ec);
    // As open as the store files, so that every user who may write the store can take its lock.
    const win32::FileLock fileLock(s->file.string() + ".lock", 0666);
    if (!fileLock.held()) return ERROR_WRITE_FAULT;
    removeLeftovers(s->file);
    // Read every time: another process's rewrite can keep the inode, size and time of the last
    // version this process saw.
    std::optional<StoreText> now = readStoreText(s->file);
    if (!now) return ERROR_READ_FAULT;
    syncWithFile(s, *now);
    DWORD result = change(write);
    if (!result && write && !writeStoreFile(*s)) {
        syncWithFile(s, *now);
        result = ERROR_WRITE_FAULT;
    }
    return result;
}

// --- key containers ---

fs::path keyFolder(bool machine) { return stateDirectory() / "keys" / (machine ? "machine" : "user"); }

std::string safeName(const std::string& container) {
    std::string out;
    for (unsigned char c : container) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.')
            out += static_cast<char>(c);
        else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

// A '%' that does not start an escape (in a file named by hand) stands for itself.
std::string unsafeName(const std::string& file) {
    std::string out;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '%' && i + 2 < file.size() && hexDigit(file[i + 1]) >= 0 && hexDigit(file[i + 2]) >= 0) {
            out += static_cast<char>(hexDigit(file[i + 1]) * 16 + hexDigit(file[i + 2]));
            i += 2;
        } else {
            out += file[i];
        }
    }
    return out;
}

fs::path keyFile(const std::string& container, bool machine) { return keyFolder(machine) / (safeName(container) + ".pem"); }

EVP_PKEY* loadKey(const std::string& container, bool machine) {
    FILE* f = std::fopen(keyFile(container, machine).c_str(), "r");
    if (!f) return nullptr;
    // Containers are written unencrypted: one that asks for a pass phrase is refused rather than
    // left to prompt on the terminal.
    auto noPassPhrase = [](char*, int, int, void*) { return -1; };
    EVP_PKEY* k = PEM_read_PrivateKey(f, nullptr, noPassPhrase, nullptr);
    std::fclose(f);
    if (!k) ERR_clear_error();
    return k;
}

bool saveKey(const std::string& container, bool machine, EVP_PKEY* key) {
    std::error_code ec;
    fs::create_directories(keyFolder(machine), ec);
    BIO* pem = BIO_new(BIO_s_mem());
    bool ok = pem && PEM_write_bio_PrivateKey(pem, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    char* data = nullptr;
    long n = ok ? BIO_get_mem_data(pem, &data) : 0;
    std::string text(data ? data : "", static_cast<std::size_t>(n > 0 ? n : 0));
    OPENSSL_cleanse(data, static_cast<std::size_t>(n > 0 ? n : 0));
    BIO_free(pem);
    ok = ok && replaceFile(keyFile(container, machine), text, 0600);
    OPENSSL_cleanse(text.data(), text.size());
    return ok;
}

struct Provider {
    std::string container;
    bool machine = false;
    bool ephemeral = false;
};

struct Key {
    EVP_PKEY* pkey = nullptr;
    ~Key() { EVP_PKEY_free(pkey); }
};

std::string randomContainerName() {
    BYTE r[16];
    RAND_bytes(r, sizeof r);
    return "key-" + hex(r, sizeof r);
}

// The key provider information property, laid out as the structure followed by its strings.
Bytes encodeKeyProvInfo(const std::u16string& container, const std::u16string& provider, DWORD type, DWORD flags,
                        DWORD keySpec) {
    Bytes out(sizeof(DWORD) * 4);
    DWORD head[4] = {type, flags, keySpec, static_cast<DWORD>(container.size())};
    std::memcpy(out.data(), head, sizeof head);
    auto append = [&out](const std::u16string& s) {
        const BYTE* p = reinterpret_cast<const BYTE*>(s.c_str());
        out.insert(out.end(), p, p + (s.size() + 1) * 2);
    };
    append(container);
    append(provider);
    return out;
}

struct KeyProvInfo {
    std::u16string container, provider;
    DWORD type = 0, flags = 0, keySpec = 0;
};

bool decodeKeyProvInfo(const Bytes& b, KeyProvInfo& out) {
    if (b.size() < 16) return false;
    DWORD head[4];
    std::memcpy(head, b.data(), sizeof head);
    out.type = head[0];
    out.flags = head[1];
    out.keySpec = head[2];
    std::size_t pos = 16;
    auto take = [&](std::u16string& s) {
        while (pos + 1 < b.size()) {
            char16_t ch = static_cast<char16_t>(b[pos] | (b[pos + 1] << 8));
            pos += 2;
            if (!ch) return true;
            s += ch;
        }
        return false;
    };
    return take(out.container) && take(out.provider);
}

const char16_t kProviderName[] = u"Platform RSA Provider";

void setKeyProvInfo(Cert* c, const std::string& container, bool machine) {
    c->props[CERT_KEY_PROV_INFO_PROP_ID] = encodeKeyProvInfo(utf16(container), kProviderName, PROV_RSA_FULL,
                                                             machine ? CRYPT_MACHINE_KEYSET : 0, AT_KEYEXCHANGE);
}

// --- names ---

struct NameKey {
    int nid;
    const char* key;
};
const NameKey kNameKeys[] = {
    {NID_commonName, "CN"},      {NID_organizationalUnitName, "OU"}, {NID_organizationName, "O"},
    {NID_localityName, "L"},     {NID_stateOrProvinceName, "S"},     {NID_countryName, "C"},
    {NID_streetAddress, "STREET"}, {NID_pkcs9_emailAddress, "E"},   {NID_title, "T"},
    {NID_givenName, "G"},        {NID_initials, "I"},               {NID_surname, "SN"},
    {NID_domainComponent, "DC"}, {NID_serialNumber, "SERIALNUMBER"},
};

std::string oidText(const ASN1_OBJECT* obj) {
    char buf[128];
    OBJ_obj2txt(buf, sizeof buf, obj, 1);
    return buf;
}

std::string formatName(const X509_NAME* name, DWORD strType) {
    DWORD kind = strType & 0xFFFF;
    std::string sep = (strType & CERT_NAME_STR_SEMICOLON_FLAG) ? "; " : (strType & CERT_NAME_STR_CRLF_FLAG) ? "\r\n" : ", ";
    int count = X509_NAME_entry_count(name);
    std::vector<std::string> parts;
    for (int i = 0; i < count; ++i) {
        const X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
        const ASN1_OBJECT* obj = X509_NAME_ENTRY_get_object(e);
        unsigned char* text = nullptr;
        int n = ASN1_STRING_to_UTF8(&text, X509_NAME_ENTRY_get_data(e));
        std::string value = n > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<std::size_t>(n)) : "";
        OPENSSL_free(text);
        bool quote = !(strType & CERT_NAME_STR_NO_QUOTING_FLAG) && kind != CERT_SIMPLE_NAME_STR &&
                     (value.find_first_of(",+=\"\n<>#;") != std::string::npos || value.empty() ||
                      value.front() == ' ' || value.back() == ' ');
        if (quote) {
            std::string q = "\"";
            for (char c : value) q += c == '"' ? std::string("\"\"") : std::string(1, c);
            value = q + "\"";
        }
        std::string key;
        if (kind == CERT_X500_NAME_STR) {
            int nid = OBJ_obj2nid(obj);
            for (const auto& k : kNameKeys)
                if (k.nid == nid) key = k.key;
            if (key.empty()) key = "OID." + oidText(obj);
        } else if (kind == CERT_OID_NAME_STR) {
            key = oidText(obj);
        }
        parts.push_back(kind == CERT_SIMPLE_NAME_STR ? value : key + "=" + value);
    }
    if (strType & CERT_NAME_STR_REVERSE_FLAG) std::reverse(parts.begin(), parts.end());
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? sep : "") + parts[i];
    return out;
}

X509_NAME* nameFromBlob(const CERT_NAME_BLOB* blob) {
    if (!blob || !blob->pbData) return nullptr;
    const unsigned char* p = blob->pbData;
    return d2i_X509_NAME(nullptr, &p, static_cast<long>(blob->cbData));
}

bool lowerContains(std::string hay, std::string needle) {
    for (char& c : hay) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : needle) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hay.find(needle) != std::string::npos;
}

// --- chains ---

struct Chain {
    CERT_CHAIN_CONTEXT pub{};
    CERT_SIMPLE_CHAIN simple{};
    std::vector<CERT_CHAIN_ELEMENT> elements;
    std::vector<CERT_CHAIN_ELEMENT*> elementPtrs;
    CERT_SIMPLE_CHAIN* simplePtr = nullptr;
    std::vector<Cert*> certs;
    X509* leaf = nullptr;
    ~Chain() {
        for (Cert* c : certs) release(c);
        X509_free(leaf);
    }
};

DWORD trustBits(int err) {
    switch (err) {
        case X509_V_OK: return 0;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
        case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
        case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD: return CERT_TRUST_IS_NOT_TIME_VALID;
        case X509_V_ERR_CERT_SIGNATURE_FAILURE:
        case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
        case X509_V_ERR_UNABLE_TO_DECODE_ISSUER_PUBLIC_KEY: return CERT_TRUST_IS_NOT_SIGNATURE_VALID;
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED: return CERT_TRUST_IS_UNTRUSTED_ROOT;
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE: return CERT_TRUST_IS_PARTIAL_CHAIN;
        case X509_V_ERR_INVALID_PURPOSE: return CERT_TRUST_IS_NOT_VALID_FOR_USAGE;
        case X509_V_ERR_INVALID_CA:
        case X509_V_ERR_PATH_LENGTH_EXCEEDED: return CERT_TRUST_INVALID_BASIC_CONSTRAINTS;
        case X509_V_ERR_CERT_REVOKED: return CERT_TRUST_IS_REVOKED;
        default: return CERT_TRUST_IS_PARTIAL_CHAIN;
    }
}

int collectTrust(int ok, X509_STORE_CTX* ctx) {
    if (!ok) {
        auto* bits = static_cast<DWORD*>(X509_STORE_CTX_get_app_data(ctx));
        if (bits) *bits |= trustBits(X509_STORE_CTX_get_error(ctx));
    }
    return 1;  // go on, so every problem of the chain is known
}

// The trust roots (the bundle and both ROOT stores) and the intermediates (both CA stores) that
// every chain starts from, kept until one of their files changes on disk, so that a root
// another process adds is seen by the next chain.
struct TrustCache {
    std::vector<FileStamp> stamps;
    X509_STORE* roots = nullptr;
    std::vector<X509*> rootList;
    std::vector<X509*> intermediates;

    void clear() {
        X509_STORE_free(roots);
        roots = nullptr;
        for (X509* x : rootList) X509_free(x);
        for (X509* x : intermediates) X509_free(x);
        rootList.clear();
        intermediates.clear();
    }
};

std::vector<FileStamp> trustStamps() {
    std::vector<FileStamp> out{stampOf(kTrustBundle)};
    for (const char* name : {"ROOT", "CA"})
        for (bool machine : {false, true}) out.push_back(stampOf(systemStoreFile(machine, name)));
    return out;
}

void takeFromFile(const fs::path& file, std::vector<X509*>& into) {
    for (Cert* c : readStoreFile(file).certs) {
        X509_up_ref(c->x509);
        into.push_back(c->x509);
        release(c);
    }
}

const TrustCache& trustCache() {
    static auto& cache = *new TrustCache;  // kept for the life of the process
    std::vector<FileStamp> now = trustStamps();
    if (cache.roots && now == cache.stamps) return cache;
    cache.clear();
    for (Cert* c : bundleCerts()) {
        X509_up_ref(c->x509);
        cache.rootList.push_back(c->x509);
    }
    for (bool machine : {false, true}) {
        takeFromFile(systemStoreFile(machine, "ROOT"), cache.rootList);
        takeFromFile(systemStoreFile(machine, "CA"), cache.intermediates);
    }
    cache.roots = X509_STORE_new();
    X509_STORE_set_verify_cb(cache.roots, collectTrust);
    for (X509* x : cache.rootList) X509_STORE_add_cert(cache.roots, x);
    ERR_clear_error();  // a root listed twice
    cache.stamps = std::move(now);
    return cache;
}

// One verification of a leaf against the trust roots with a given set of intermediates.
struct Verdict {
    DWORD bits = 0;
    STACK_OF(X509)* chain = nullptr;   // as the verifier built it, with references
    std::vector<X509*> intermediates;  // borrowed from the caller's candidates

    Verdict() = default;
    Verdict(Verdict&& other) noexcept { *this = std::move(other); }
    Verdict& operator=(Verdict&& other) noexcept {
        std::swap(bits, other.bits);
        std::swap(chain, other.chain);
        std::swap(intermediates, other.intermediates);
        return *this;
    }
    ~Verdict() {
        if (chain) sk_X509_pop_free(chain, X509_free);
    }
};

Verdict verifyWith(X509* leaf, const std::vector<X509*>& intermediates, const TrustCache& trust, const time_t* at) {
    Verdict v;
    v.intermediates = intermediates;
    STACK_OF(X509)* untrusted = sk_X509_new_null();
    for (X509* x : intermediates) sk_X509_push(untrusted, x);
    X509_STORE_CTX* ctx = X509_STORE_CTX_new();
    X509_STORE_CTX_init(ctx, trust.roots, leaf, untrusted);
    X509_STORE_CTX_set_app_data(ctx, &v.bits);
    X509_STORE_CTX_set_purpose(ctx, X509_PURPOSE_SSL_SERVER);
    if (at) X509_STORE_CTX_set_time(ctx, 0, *at);
    X509_verify_cert(ctx);
    v.chain = X509_STORE_CTX_get1_chain(ctx);
    X509_STORE_CTX_free(ctx);
    sk_X509_free(untrusted);
    ERR_clear_error();
    return v;
}

// Bounds on the search for a chain, against a peer that sends many look-alike issuers.
constexpr std::size_t kMaxChainDepth = 8;
constexpr std::size_t kMaxCandidatePaths = 8;
constexpr int kMaxSearchSteps = 256;

// The intermediates of every way up from cert through the candidates to a trust root, found by
// trying each candidate issuer in turn.
void pathsToRoots(X509* cert, const std::vector<X509*>& candidates, const TrustCache& trust, std::vector<X509*>& path,
                  std::vector<std::vector<X509*>>& found, int& steps) {
    if (--steps < 0 || found.size() >= kMaxCandidatePaths) return;
    if (std::any_of(trust.rootList.begin(), trust.rootList.end(),
                    [cert](X509* root) { return X509_check_issued(root, cert) == X509_V_OK; }))
        found.push_back(path);
    if (path.size() >= kMaxChainDepth) return;
    for (X509* c : candidates) {
        if (std::find(path.begin(), path.end(), c) != path.end() || X509_check_issued(c, cert) != X509_V_OK) continue;
        path.push_back(c);
        pathsToRoots(c, candidates, trust, path, found, steps);
        path.pop_back();
    }
}

// How far a verdict is from a good chain: none of its problems, only problems of its
// certificates (time, usage), or a chain that does not reach a trusted root.
int verdictRank(DWORD bits) {
    if (!bits) return 0;
    constexpr DWORD kChainBits = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_NOT_SIGNATURE_VALID;
    return bits & kChainBits ? 2 : 1;
}

// The chain judged best for leaf. The verifier follows the first issuer it finds among the
// candidates; when that chain fails, every other way through the candidate issuers is tried,
// so that an issuer leading nowhere does not hide one that leads to a trusted root.
Verdict judgeChain(X509* leaf, const std::vector<X509*>& offered, const TrustCache& trust, const time_t* at) {
    std::vector<X509*> candidates;
    for (X509* x : offered) {
        if (X509_cmp(x, leaf) == 0) continue;
        if (std::none_of(candidates.begin(), candidates.end(), [x](X509* c) { return X509_cmp(c, x) == 0; }))
            candidates.push_back(x);
    }
    Verdict best = verifyWith(leaf, candidates, trust, at);
    if (!best.bits) return best;
    std::vector<std::vector<X509*>> paths;
    std::vector<X509*> path;
    int steps = kMaxSearchSteps;
    pathsToRoots(leaf, candidates, trust, path, paths, steps);
    for (const auto& p : paths) {
        Verdict v = verifyWith(leaf, p, trust, at);
        if (verdictRank(v.bits) < verdictRank(best.bits)) best = std::move(v);
        if (!best.bits) break;
    }
    return best;
}

// As RFC 6125 has it: a wildcard stands for a whole left-most label, and an address matches
// only an address entry of the certificate, never a name that spells it.
bool serverNameMatches(X509* leaf, const std::string& host) {
    const int address = X509_check_ip_asc(leaf, host.c_str(), 0);  // -2: not an address
    if (address != -2) return address == 1;
    return X509_check_host(leaf, host.c_str(), host.size(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS, nullptr) == 1;
}

}  // namespace

namespace crypt32 {

X509* certificateX509(PCCERT_CONTEXT cert) { return cert ? asCert(cert)->x509 : nullptr; }

EVP_PKEY* certificatePrivateKey(PCCERT_CONTEXT cert) {
    if (!cert) return nullptr;
    std::lock_guard g(lock());
    auto it = asCert(cert)->props.find(CERT_KEY_PROV_INFO_PROP_ID);
    KeyProvInfo info;
    if (it == asCert(cert)->props.end() || !decodeKeyProvInfo(it->second, info)) return nullptr;
    return loadKey(utf8(info.container.c_str()), (info.flags & CRYPT_MACHINE_KEYSET) != 0);
}

void addTrustRoots(X509_STORE* target) {
    std::lock_guard g(lock());
    for (X509* x : trustCache().rootList) X509_STORE_add_cert(target, x);
    ERR_clear_error();
}

STACK_OF(X509) * chainIntermediates(X509* leaf, STACK_OF(X509) * sent) {
    std::lock_guard g(lock());
    const TrustCache& trust = trustCache();
    std::vector<X509*> candidates;
    for (int i = 0; sent && i < sk_X509_num(sent); ++i) candidates.push_back(sk_X509_value(sent, i));
    candidates.insert(candidates.end(), trust.intermediates.begin(), trust.intermediates.end());
    const Verdict verdict = judgeChain(leaf, candidates, trust, nullptr);
    STACK_OF(X509)* out = sk_X509_new_null();
    for (X509* x : verdict.intermediates) {
        X509_up_ref(x);
        sk_X509_push(out, x);
    }
    return out;
}

std::vector<std::string> keyContainers(bool machine) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(keyFolder(machine), ec)) {
        std::string n = e.path().filename().string();
        if (n.size() > 4 && n.ends_with(".pem")) out.push_back(unsafeName(n.substr(0, n.size() - 4)));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace crypt32

extern "C" {

HCERTSTORE CertOpenStore(LPCSTR provider, DWORD, HCRYPTPROV, DWORD flags, const void* para) {
    std::lock_guard g(lock());
    if (provider == CERT_STORE_PROV_MEMORY) return new Store;
    if (provider == CERT_STORE_PROV_SYSTEM_A || provider == CERT_STORE_PROV_SYSTEM_W) {
        std::string name = provider == CERT_STORE_PROV_SYSTEM_A ? std::string(para ? static_cast<const char*>(para) : "")
                                                                : utf8(static_cast<LPCWSTR>(para));
        DWORD location = flags & 0x00FF0000;
        if (name.empty() || (location != CERT_SYSTEM_STORE_CURRENT_USER && location != CERT_SYSTEM_STORE_LOCAL_MACHINE)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        bool machine = location == CERT_SYSTEM_STORE_LOCAL_MACHINE;
        std::string n = upper(name);
        bool standard = n == "MY" || n == "ROOT" || n == "CA" || n == "TRUST" || n == "ADDRESSBOOK" ||
                        n == "TRUSTEDPEOPLE" || n == "TRUSTEDPUBLISHER" || n == "DISALLOWED";
        fs::path file = systemStoreFile(machine, n);
        std::error_code ec;
        if ((flags & CERT_STORE_OPEN_EXISTING_FLAG) && !standard && !fs::exists(file, ec)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return openSystemStore(name, machine, (flags & CERT_STORE_READONLY_FLAG) != 0);
    }
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
}

HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV prov, LPCSTR name) {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, prov, CERT_SYSTEM_STORE_CURRENT_USER, name);
}

BOOL CertCloseStore(HCERTSTORE store, DWORD) {
    if (!store) return TRUE;
    std::lock_guard g(lock());
    releaseStore(static_cast<Store*>(store));
    return TRUE;
}

PCCERT_CONTEXT CertCreateCertificateContext(DWORD, const BYTE* encoded, DWORD length) {
    if (!encoded || !length) {
        SetLastError(CRYPT_E_ASN1_BADTAG);
        return nullptr;
    }
    Cert* c = makeCert(encoded, length);
    return c ? &c->pub : nullptr;
}

PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT cert) {
    std::lock_guard g(lock());
    if (cert) retain(asCert(cert));
    return cert;
}

BOOL CertFreeCertificateContext(PCCERT_CONTEXT cert) {
    std::lock_guard g(lock());
    release(asCert(cert));
    return TRUE;
}

PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD, DWORD, DWORD findType, const void* findPara,
                                          PCCERT_CONTEXT previous) {
    std::lock_guard g(lock());
    auto* s = static_cast<Store*>(store);
    std::size_t start = 0;
    // The previous context goes last: it may be what keeps the store alive.
    struct Previous {
        Cert* p;
        ~Previous() { release(p); }
    } held{previous ? asCert(previous) : nullptr};
    if (held.p) {
        auto it = s ? std::find(s->certs.begin(), s->certs.end(), held.p) : std::vector<Cert*>::iterator{};
        start = s && it != s->certs.end() ? static_cast<std::size_t>(it - s->certs.begin()) + 1 : (s ? s->certs.size() : 0);
    }
    if (!s) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    for (std::size_t i = start; i < s->certs.size(); ++i) {
        Cert* c = s->certs[i];
        bool match = false;
        switch (findType) {
            case CERT_FIND_ANY: match = true; break;
            case CERT_FIND_SUBJECT_NAME: {
                auto* blob = static_cast<const CERT_NAME_BLOB*>(findPara);
                match = blob && blob->cbData == c->subject.size() &&
                        std::memcmp(blob->pbData, c->subject.data(), blob->cbData) == 0;
                break;
            }
            case CERT_FIND_SUBJECT_STR_A:
                match = findPara && lowerContains(formatName(X509_get_subject_name(c->x509), CERT_X500_NAME_STR),
                                                  static_cast<const char*>(findPara));
                break;
            case CERT_FIND_EXISTING: {
                auto* other = static_cast<PCCERT_CONTEXT>(findPara);
                match = other && other->cbCertEncoded == c->der.size() &&
                        std::memcmp(other->pbCertEncoded, c->der.data(), c->der.size()) == 0;
                break;
            }
            case CERT_FIND_SHA1_HASH: {
                auto* blob = static_cast<const CRYPT_HASH_BLOB*>(findPara);
                BYTE digest[SHA_DIGEST_LENGTH];
                SHA1(c->der.data(), c->der.size(), digest);
                match = blob && blob->cbData == sizeof digest && std::memcmp(blob->pbData, digest, sizeof digest) == 0;
                break;
            }
            default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
        }
        if (match) return &retain(c)->pub;
    }
    SetLastError(CRYPT_E_NOT_FOUND);
    return nullptr;
}

PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE store, PCCERT_CONTEXT previous) {
    return CertFindCertificateInStore(store, 0, 0, CERT_FIND_ANY, nullptr, previous);
}

BOOL CertAddCertificateContextToStore(HCERTSTORE store, PCCERT_CONTEXT cert, DWORD disposition,
                                      PCCERT_CONTEXT* added) {
    std::lock_guard g(lock());
    auto* s = static_cast<Store*>(store);
    if (added) *added = nullptr;
    if (!s || !cert) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (s->readOnly) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Cert* from = asCert(cert);
    Cert* result = nullptr;
    // A root of the system's bundle that is replaced leaves the store only once the replacement
    // is written: no new reading of the file would bring it back.
    Cert* bundleRoot = nullptr;
    std::size_t bundleAt = 0;
    DWORD error = changeStore(s, [&](bool& write) -> DWORD {
        auto same = std::find_if(s->certs.begin(), s->certs.end(), [&](Cert* c) { return c->der == from->der; });
        if (same != s->certs.end()) {
            if (disposition == CERT_STORE_ADD_NEW) return CRYPT_E_EXISTS;
            if (disposition == CERT_STORE_ADD_USE_EXISTING) {
                result = *same;
                return 0;
            }
            if (disposition == CERT_STORE_ADD_REPLACE_EXISTING) {
                const auto at = static_cast<std::size_t>(same - s->certs.begin());
                if (at < s->builtIn) {
                    bundleRoot = *same;
                    bundleAt = at;
                    s->certs.erase(same);
                    --s->builtIn;
                } else {
                    detach(*same);  // the caller's handle keeps the store
                }
            }
        }
        result = copyCert(*from);
        attach(result, s);
        write = true;
        return 0;
    });
    if (bundleRoot && error) {
        s->certs.insert(s->certs.begin() + static_cast<std::ptrdiff_t>(bundleAt), bundleRoot);
        ++s->builtIn;
    } else if (bundleRoot) {
        orphan(bundleRoot);
    }
    if (error) {
        SetLastError(error);
        return FALSE;
    }
    if (added) *added = &retain(result)->pub;
    return TRUE;
}

BOOL CertAddEncodedCertificateToStore(HCERTSTORE store, DWORD encoding, const BYTE* encoded, DWORD length,
                                      DWORD disposition, PCCERT_CONTEXT* added) {
    PCCERT_CONTEXT c = CertCreateCertificateContext(encoding, encoded, length);
    if (!c) return FALSE;
    BOOL ok = CertAddCertificateContextToStore(store, c, disposition, added);
    CertFreeCertificateContext(c);
    return ok;
}

BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT cert) {
    std::lock_guard g(lock());
    if (!cert) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Cert* c = asCert(cert);
    DWORD error = 0;
    if (Store* s = c->store) {
        error = changeStore(s, [&](bool& write) -> DWORD {
            auto it = std::find(s->certs.begin(), s->certs.end(), c);
            // Gone already (another process deleted it), or a root of the system's own bundle.
            if (it == s->certs.end() || static_cast<std::size_t>(it - s->certs.begin()) < s->builtIn) return 0;
            detach(c);
            write = true;
            return 0;
        });
    }
    release(c);  // deletion always frees the caller's context
    if (error) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT cert, DWORD propId, void* data, DWORD* length) {
    std::lock_guard g(lock());
    if (!cert || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Cert* c = asCert(cert);
    Bytes value;
    if (propId == CERT_SHA1_HASH_PROP_ID) {
        value.resize(SHA_DIGEST_LENGTH);
        SHA1(c->der.data(), c->der.size(), value.data());
    } else if (auto it = c->props.find(propId); it != c->props.end()) {
        value = it->second;
        if (propId == CERT_KEY_PROV_INFO_PROP_ID) {
            KeyProvInfo info;
            if (!decodeKeyProvInfo(value, info)) {
                SetLastError(CRYPT_E_NOT_FOUND);
                return FALSE;
            }
            std::size_t strings = (info.container.size() + 1 + info.provider.size() + 1) * 2;
            DWORD need = static_cast<DWORD>(sizeof(CRYPT_KEY_PROV_INFO) + strings);
            if (!data || *length < need) {
                *length = need;
                SetLastError(data ? ERROR_MORE_DATA : ERROR_SUCCESS);
                return data ? FALSE : TRUE;
            }
            auto* out = static_cast<CRYPT_KEY_PROV_INFO*>(data);
            auto* text = reinterpret_cast<WCHAR*>(out + 1);
            std::memcpy(text, info.container.c_str(), (info.container.size() + 1) * 2);
            WCHAR* prov = text + info.container.size() + 1;
            std::memcpy(prov, info.provider.c_str(), (info.provider.size() + 1) * 2);
            *out = {text, prov, info.type, info.flags, 0, nullptr, info.keySpec};
            *length = need;
            return TRUE;
        }
    } else {
        SetLastError(CRYPT_E_NOT_FOUND);
        return FALSE;
    }
    if (!data) {
        *length = static_cast<DWORD>(value.size());
        return TRUE;
    }
    if (*length < value.size()) {
        *length = static_cast<DWORD>(value.size());
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(data, value.data(), value.size());
    *length = static_cast<DWORD>(value.size());
    return TRUE;
}

BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT cert, DWORD propId, DWORD, const void* data) {
    std::lock_guard g(lock());
    if (!cert) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Cert* c = asCert(cert);
    auto set = [&] {
        if (!data) {
            c->props.erase(propId);
        } else if (propId == CERT_KEY_PROV_INFO_PROP_ID) {
            auto* info = static_cast<const CRYPT_KEY_PROV_INFO*>(data);
            auto w = [](const WCHAR* s) { return s ? std::u16string(s) : std::u16string(); };
            c->props[propId] = encodeKeyProvInfo(w(info->pwszContainerName), w(info->pwszProvName), info->dwProvType,
                                                 info->dwFlags, info->dwKeySpec);
        } else {
            auto* blob = static_cast<const CRYPT_DATA_BLOB*>(data);
            c->props[propId] = Bytes(blob->pbData, blob->pbData + blob->cbData);
        }
    };
    if (!c->store) {
        set();
        return TRUE;
    }
    DWORD error = changeStore(c->store, [&](bool& write) -> DWORD {
        set();
        write = c->store != nullptr;  // false once another process deleted it from the store
        return 0;
    });
    if (error) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

DWORD CertNameToStrA(DWORD, PCERT_NAME_BLOB name, DWORD strType, LPSTR out, DWORD outLength) {
    X509_NAME* n = nameFromBlob(name);
    std::string text = n ? formatName(n, strType) : "";
    X509_NAME_free(n);
    DWORD need = static_cast<DWORD>(text.size() + 1);
    if (!out || outLength == 0) return need;
    DWORD copy = std::min<DWORD>(need - 1, outLength - 1);
    std::memcpy(out, text.data(), copy);
    out[copy] = 0;
    return copy + 1;
}

BOOL CertStrToNameA(DWORD, LPCSTR x500, DWORD strType, void*, BYTE* encoded, DWORD* length, LPCSTR* error) {
    if (error) *error = nullptr;
    if (!x500 || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    X509_NAME* name = X509_NAME_new();
    const char* p = x500;
    bool plusSeparates = !(strType & CERT_NAME_STR_NO_PLUS_FLAG);
    auto fail = [&](const char* where) {
        X509_NAME_free(name);
        if (error) *error = where;
        SetLastError(CRYPT_E_INVALID_X500_STRING);
        return FALSE;
    };
    int set = 0;  // 0 starts a new relative name, -1 adds to the previous one
    while (*p) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
        if (!*p) break;
        const char* keyStart = p;
        while (*p && *p != '=' && *p != ',' && *p != ';') ++p;
        if (*p != '=') return fail(keyStart);
        std::string key(keyStart, p);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        ++p;
        while (*p == ' ') ++p;
        std::string value;
        if (*p == '"') {
            ++p;
            for (;;) {
                if (!*p) return fail(p);
                if (*p == '"') {
                    if (p[1] == '"') {
                        value += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                value += *p++;
            }
            while (*p == ' ') ++p;
        } else {
            while (*p && *p != ',' && *p != ';' && !(plusSeparates && *p == '+')) value += *p++;
            while (!value.empty() && value.back() == ' ') value.pop_back();
        }
        std::string upperKey = upper(key);
        if (upperKey.rfind("OID.", 0) == 0) upperKey = upperKey.substr(4);
        int nid = NID_undef;
        for (const auto& k : kNameKeys)
            if (upperKey == k.key) nid = k.nid;
        if (nid == NID_undef) nid = OBJ_txt2nid(upperKey.c_str());
        if (nid == NID_undef) return fail(keyStart);
        int type = nid == NID_countryName ? V_ASN1_PRINTABLESTRING : MBSTRING_UTF8;
        if (!X509_NAME_add_entry_by_NID(name, nid, type, reinterpret_cast<const unsigned char*>(value.c_str()),
                                        static_cast<int>(value.size()), -1, set))
            return fail(keyStart);
        if (*p == '+' && plusSeparates) {
            set = -1;
            ++p;
            continue;
        }
        set = 0;
        if (*p == ',' || *p == ';') ++p;
    }
    Bytes der = nameDer(name);
    X509_NAME_free(name);
    if (!encoded) {
        *length = static_cast<DWORD>(der.size());
        return TRUE;
    }
    if (*length < der.size()) {
        *length = static_cast<DWORD>(der.size());
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(encoded, der.data(), der.size());
    *length = static_cast<DWORD>(der.size());
    return TRUE;
}

BOOL CertGetCertificateChain(HCERTCHAINENGINE, PCCERT_CONTEXT cert, const FILETIME* time, HCERTSTORE additional,
                             const CERT_CHAIN_PARA*, DWORD, void*, PCCERT_CHAIN_CONTEXT* chainOut) {
    if (!cert || !chainOut) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard g(lock());
    Cert* leaf = asCert(cert);
    const TrustCache& trust = trustCache();
    std::vector<X509*> candidates = trust.intermediates;
    for (Store* s : {leaf->store, additional != leaf->store ? static_cast<Store*>(additional) : nullptr})
        if (s)
            for (Cert* c : s->certs) candidates.push_back(c->x509);
    time_t at = 0;
    if (time) {
        std::uint64_t v = (static_cast<std::uint64_t>(time->dwHighDateTime) << 32) | time->dwLowDateTime;
        at = static_cast<time_t>(v / 10000000ULL) - 11644473600LL;
    }
    Verdict verdict = judgeChain(leaf->x509, candidates, trust, time ? &at : nullptr);
    const DWORD bits = verdict.bits;
    auto* chain = new Chain;
    X509_up_ref(leaf->x509);
    chain->leaf = leaf->x509;
    for (int i = 0; verdict.chain && i < sk_X509_num(verdict.chain); ++i) {
        X509* x = sk_X509_value(verdict.chain, i);
        unsigned char* der = nullptr;
        int n = i2d_X509(x, &der);
        if (n > 0) {
            X509_up_ref(x);
            chain->certs.push_back(wrapCert(x, Bytes(der, der + n)));
        }
        OPENSSL_free(der);
    }
    chain->elements.resize(chain->certs.size());
    for (std::size_t i = 0; i < chain->certs.size(); ++i)
        chain->elements[i] = {sizeof(CERT_CHAIN_ELEMENT), &chain->certs[i]->pub, {0, 0}};
    for (auto& e : chain->elements) chain->elementPtrs.push_back(&e);
    chain->simple = {sizeof(CERT_SIMPLE_CHAIN), {bits, 0}, static_cast<DWORD>(chain->elements.size()),
                     chain->elementPtrs.data()};
    chain->simplePtr = &chain->simple;
    chain->pub = {sizeof(CERT_CHAIN_CONTEXT), {bits, 0}, 1, &chain->simplePtr};
    *chainOut = &chain->pub;
    return TRUE;
}

void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain) {
    std::lock_guard g(lock());
    delete reinterpret_cast<const Chain*>(chain);
}

BOOL CertVerifyCertificateChainPolicy(LPCSTR policy, PCCERT_CHAIN_CONTEXT chainContext,
                                      const CERT_CHAIN_POLICY_PARA* para, CERT_CHAIN_POLICY_STATUS* status) {
    if (!chainContext || !status || (policy != CERT_CHAIN_POLICY_SSL && policy != CERT_CHAIN_POLICY_BASE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* chain = reinterpret_cast<const Chain*>(chainContext);
    DWORD bits = chain->pub.TrustStatus.dwErrorStatus;
    DWORD checks = 0;
    const WCHAR* serverName = nullptr;
    if (policy == CERT_CHAIN_POLICY_SSL && para && para->pvExtraPolicyPara) {
        auto* extra = static_cast<const SSL_EXTRA_CERT_CHAIN_POLICY_PARA*>(para->pvExtraPolicyPara);
        checks = extra->fdwChecks;
        serverName = extra->pwszServerName;
    }
    DWORD error = 0;
    if (bits & CERT_TRUST_IS_NOT_SIGNATURE_VALID)
        error = TRUST_E_CERT_SIGNATURE;
    else if ((bits & CERT_TRUST_IS_PARTIAL_CHAIN) && !(checks & SECURITY_FLAG_IGNORE_UNKNOWN_CA_CP))
        error = CERT_E_CHAINING;
    else if ((bits & CERT_TRUST_IS_UNTRUSTED_ROOT) && !(checks & SECURITY_FLAG_IGNORE_UNKNOWN_CA_CP))
        error = CERT_E_UNTRUSTEDROOT;
    else if (bits & CERT_TRUST_INVALID_BASIC_CONSTRAINTS)
        error = TRUST_E_BASIC_CONSTRAINTS;
    else if ((bits & CERT_TRUST_IS_NOT_TIME_VALID) && !(checks & SECURITY_FLAG_IGNORE_CERT_DATE_INVALID_CP))
        error = CERT_E_EXPIRED;
    else if ((bits & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) && !(checks & SECURITY_FLAG_IGNORE_WRONG_USAGE_CP) &&
             policy == CERT_CHAIN_POLICY_SSL)
        error = CERT_E_WRONG_USAGE;
    else if (serverName && *serverName && !(checks & SECURITY_FLAG_IGNORE_CERT_CN_INVALID_CP)) {
        if (!serverNameMatches(chain->leaf, utf8(serverName))) error = CERT_E_CN_NO_MATCH;
    }
    status->dwError = error;
    status->lChainIndex = error ? 0 : -1;
    status->lElementIndex = error ? 0 : -1;
    return TRUE;
}

BOOL PFXIsPFXBlob(CRYPT_DATA_BLOB* pfx) {
    if (!pfx || !pfx->pbData) return FALSE;
    const unsigned char* p = pfx->pbData;
    PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(pfx->cbData));
    PKCS12_free(p12);
    return p12 ? TRUE : FALSE;
}

HCERTSTORE PFXImportCertStore(CRYPT_DATA_BLOB* pfx, LPCWSTR password, DWORD flags) {
    if (!pfx || !pfx->pbData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const unsigned char* p = pfx->pbData;
    PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(pfx->cbData));
    if (!p12) {
        SetLastError(CRYPT_E_BAD_ENCODE);
        return nullptr;
    }
    std::string pass = utf8(password);
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* extra = nullptr;
    // An empty password may have been applied as no password at all.
    bool ok = PKCS12_parse(p12, pass.c_str(), &key, &cert, &extra) == 1 ||
              (pass.empty() && PKCS12_parse(p12, nullptr, &key, &cert, &extra) == 1);
    PKCS12_free(p12);
    ERR_clear_error();
    if (!ok) {
        SetLastError(ERROR_INVALID_PASSWORD);
        return nullptr;
    }
    std::lock_guard g(lock());
    auto* store = new Store;
    bool machine = (flags & CRYPT_MACHINE_KEYSET) != 0;
    auto add = [&](X509* x, EVP_PKEY* k) {
        unsigned char* der = nullptr;
        int n = i2d_X509(x, &der);
        Cert* c = n > 0 ? makeCert(der, static_cast<std::size_t>(n)) : nullptr;
        OPENSSL_free(der);
        if (!c) return false;
        if (k) {
            std::string container = randomContainerName();
            if (!saveKey(container, machine, k)) {
                release(c);
                return false;
            }
            setKeyProvInfo(c, container, machine);
        }
        attach(c, store);
        return true;
    };
    ok = !cert || add(cert, key);
    for (int i = 0; ok && extra && i < sk_X509_num(extra); ++i) ok = add(sk_X509_value(extra, i), nullptr);
    X509_free(cert);
    EVP_PKEY_free(key);
    sk_X509_pop_free(extra, X509_free);
    if (!ok) {
        for (Cert* c : store->certs) {
            auto it = c->props.find(CERT_KEY_PROV_INFO_PROP_ID);
            KeyProvInfo info;
            if (it != c->props.end() && decodeKeyProvInfo(it->second, info)) {
                std::error_code ec;
                fs::remove(keyFile(utf8(info.container.c_str()), machine), ec);
            }
        }
        delete store;
        SetLastError(ERROR_WRITE_FAULT);
        return nullptr;
    }
    return store;
}

BOOL PFXExportCertStore(HCERTSTORE storeHandle, CRYPT_DATA_BLOB* pfx, LPCWSTR password, DWORD flags) {
    auto* store = static_cast<Store*>(storeHandle);
    if (!store || !pfx) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard g(lock());
    X509* main = nullptr;
    EVP_PKEY* key = nullptr;
    STACK_OF(X509)* extra = sk_X509_new_null();
    for (Cert* c : store->certs) {
        EVP_PKEY* k = (flags & EXPORT_PRIVATE_KEYS) && !main ? crypt32::certificatePrivateKey(&c->pub) : nullptr;
        if (k) {
            main = c->x509;
            key = k;
        } else {
            X509_up_ref(c->x509);
            sk_X509_push(extra, c->x509);
        }
    }
    if (!main && sk_X509_num(extra) > 0) {
        main = sk_X509_shift(extra);
        X509_free(main);  // the stack's reference; the store keeps the certificate alive
    }
    std::string pass = utf8(password);
    PKCS12* p12 = PKCS12_create(pass.c_str(), nullptr, key, main, extra, 0, 0, 0, 0, 0);
    EVP_PKEY_free(key);
    sk_X509_pop_free(extra, X509_free);
    if (!p12) {
        ERR_clear_error();
        SetLastError(CRYPT_E_BAD_ENCODE);
        return FALSE;
    }
    unsigned char* der = nullptr;
    int n = i2d_PKCS12(p12, &der);
    PKCS12_free(p12);
    BOOL ok = TRUE;
    if (!pfx->pbData) {
        pfx->cbData = static_cast<DWORD>(n);
    } else if (pfx->cbData < static_cast<DWORD>(n)) {
        pfx->cbData = static_cast<DWORD>(n);
        SetLastError(ERROR_MORE_DATA);
        ok = FALSE;
    } else {
        std::memcpy(pfx->pbData, der, static_cast<std::size_t>(n));
        pfx->cbData = static_cast<DWORD>(n);
    }
    OPENSSL_free(der);
    return ok;
}

BOOL CryptAcquireContextA(HCRYPTPROV* prov, LPCSTR container, LPCSTR, DWORD provType, DWORD flags) {
    if (!prov) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *prov = 0;
    if (provType != PROV_RSA_FULL && provType != PROV_RSA_AES) {
        SetLastError(NTE_BAD_TYPE);
        return FALSE;
    }
    std::lock_guard g(lock());
    bool machine = (flags & CRYPT_MACHINE_KEYSET) != 0;
    std::string name = container && *container ? container : "default";
    if (flags & CRYPT_VERIFYCONTEXT) {
        auto* p = new Provider{name, machine, true};
        *prov = reinterpret_cast<HCRYPTPROV>(p);
        return TRUE;
    }
    fs::path file = keyFile(name, machine);
    std::error_code ec;
    bool exists = fs::exists(file, ec);
    if (flags & CRYPT_DELETEKEYSET) {
        if (!exists) {
            SetLastError(NTE_BAD_KEYSET);
            return FALSE;
        }
        fs::remove(file, ec);
        return ec ? FALSE : TRUE;
    }
    if (flags & CRYPT_NEWKEYSET) {
        if (exists) {
            SetLastError(NTE_EXISTS);
            return FALSE;
        }
    } else if (!exists) {
        SetLastError(NTE_BAD_KEYSET);
        return FALSE;
    }
    *prov = reinterpret_cast<HCRYPTPROV>(new Provider{name, machine, false});
    return TRUE;
}

BOOL CryptAcquireContextU(HCRYPTPROV* prov, LPCWSTR container, LPCWSTR provider, DWORD provType, DWORD flags) {
    std::string c = utf8(container), p = utf8(provider);
    return CryptAcquireContextA(prov, container ? c.c_str() : nullptr, provider ? p.c_str() : nullptr, provType, flags);
}

BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD) {
    if (!prov) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    delete reinterpret_cast<Provider*>(prov);
    return TRUE;
}

BOOL CryptImportKey(HCRYPTPROV provHandle, const BYTE* data, DWORD length, HCRYPTKEY, DWORD, HCRYPTKEY* keyOut) {
    auto* prov = reinterpret_cast<Provider*>(provHandle);
    if (!prov || !data || !keyOut) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Only RSA private key blobs: header, "RSA2", bit length, exponent, then the numbers.
    if (length < 20 || data[0] != PRIVATEKEYBLOB || std::memcmp(data + 8, "RSA2", 4) != 0) {
        SetLastError(NTE_BAD_DATA);
        return FALSE;
    }
    DWORD bits, exponent;
    std::memcpy(&bits, data + 12, 4);
    std::memcpy(&exponent, data + 16, 4);
    std::size_t full = bits / 8, half = bits / 16;
    if (bits == 0 || bits % 16 || length < 20 + full * 2 + half * 5) {
        SetLastError(NTE_BAD_DATA);
        return FALSE;
    }
    const BYTE* p = data + 20;
    auto number = [&p](std::size_t n) {
        Bytes be(p, p + n);
        std::reverse(be.begin(), be.end());
        p += n;
        return BN_bin2bn(be.data(), static_cast<int>(be.size()), nullptr);
    };
    BIGNUM* n = number(full);
    BIGNUM* p1 = number(half);
    BIGNUM* p2 = number(half);
    BIGNUM* e1 = number(half);
    BIGNUM* e2 = number(half);
    BIGNUM* co = number(half);
    BIGNUM* d = number(full);
    BIGNUM* e = BN_new();
    BN_set_word(e, exponent);
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_N, n);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_E, e);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_D, d);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_FACTOR1, p1);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_FACTOR2, p2);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_EXPONENT1, e1);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_EXPONENT2, e2);
    OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, co);
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr);
    EVP_PKEY* pkey = nullptr;
    bool ok = ctx && EVP_PKEY_fromdata_init(ctx) == 1 && EVP_PKEY_fromdata(ctx, &pkey, EVP_PKEY_KEYPAIR, params) == 1;
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    for (BIGNUM* b : {n, p1, p2, e1, e2, co, d, e}) BN_free(b);
    if (ok) {
        // The numbers must form one key pair.
        EVP_PKEY_CTX* check = EVP_PKEY_CTX_new(pkey, nullptr);
        ok = check && EVP_PKEY_pairwise_check(check) == 1;
        EVP_PKEY_CTX_free(check);
    }
    ERR_clear_error();
    if (!ok || (!prov->ephemeral && !saveKey(prov->container, prov->machine, pkey))) {
        EVP_PKEY_free(pkey);
        SetLastError(NTE_BAD_DATA);
        return FALSE;
    }
    auto* key = new Key;
    key->pkey = pkey;
    *keyOut = reinterpret_cast<HCRYPTKEY>(key);
    return TRUE;
}

BOOL CryptDestroyKey(HCRYPTKEY key) {
    if (!key) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    delete reinterpret_cast<Key*>(key);
    return TRUE;
}

BOOL CryptGetProvParam(HCRYPTPROV provHandle, DWORD param, BYTE* data, DWORD* length, DWORD flags) {
    auto* prov = reinterpret_cast<Provider*>(provHandle);
    if (!prov || !length || param != PP_ENUMCONTAINERS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    thread_local std::vector<std::string> names;
    thread_local std::size_t next = 0;
    if (flags & CRYPT_FIRST) {
        names = crypt32::keyContainers(prov->machine);
        next = 0;
    }
    if (next >= names.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const std::string& n = names[next];
    if (!data || *length < n.size() + 1) {
        *length = static_cast<DWORD>(n.size() + 1);
        if (data) {
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }
        return TRUE;
    }
    std::memcpy(data, n.c_str(), n.size() + 1);
    *length = static_cast<DWORD>(n.size() + 1);
    ++next;
    return TRUE;
}
}
