#include "express_checkout/client_certificate.h"

#include <cstdio>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "payment_core/security_library.h"
#include "payment_core/text_utils.h"
#include "win32/codepage.h"
#include "win32/files.h"
#include "win32/module.h"
#include "win32/version.h"

namespace express_checkout {

using namespace payment_core;

namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
// The password of the PFX data that only ever lives in memory between export and import.
constexpr const char16_t kTransferPassword[] = u"x";

// The key import entries the core does not bind, taken from the same library by name.
struct KeyFunctions {
    CertificateEntry<decltype(&::CryptAcquireContextA)> CryptAcquireContextA;
    CertificateEntry<decltype(&::CryptReleaseContext)> CryptReleaseContext;
    CertificateEntry<decltype(&::CryptImportKey)> CryptImportKey;
    CertificateEntry<decltype(&::CryptDestroyKey)> CryptDestroyKey;
    CertificateEntry<decltype(&::CertSetCertificateContextProperty)> CertSetCertificateContextProperty;
    CertificateEntry<decltype(&::CertAddCertificateContextToStore)> CertAddCertificateContextToStore;
    CertificateEntry<decltype(&::PFXExportCertStore)> PFXExportCertStore;
};

// The library stays bound while the control's library is loaded and is let go at its unload.
struct KeyLibrary {
    ~KeyLibrary() {
        if (module) FreeLibrary(module);
    }
    HMODULE module = nullptr;
    KeyFunctions functions;
};

const KeyFunctions& keyFunctions() {
    static KeyLibrary library;
    static std::once_flag once;
    std::call_once(once, [] {
        library.module = LoadLibraryA("crypt32.dll");
        if (!library.module) return;
        KeyFunctions& functions = library.functions;
#define EXPRESS_CHECKOUT_BIND(name) \
    functions.name.fn = reinterpret_cast<decltype(functions.name.fn)>(GetProcAddress(library.module, #name))
        EXPRESS_CHECKOUT_BIND(CryptAcquireContextA);
        EXPRESS_CHECKOUT_BIND(CryptReleaseContext);
        EXPRESS_CHECKOUT_BIND(CryptImportKey);
        EXPRESS_CHECKOUT_BIND(CryptDestroyKey);
        EXPRESS_CHECKOUT_BIND(CertSetCertificateContextProperty);
        EXPRESS_CHECKOUT_BIND(CertAddCertificateContextToStore);
        EXPRESS_CHECKOUT_BIND(PFXExportCertStore);
#undef EXPRESS_CHECKOUT_BIND
    });
    return library.functions;
}

const CertificateFunctions& crypt() { return certificateFunctions(); }

// One DER element: where its content starts and how long it is.
struct DerElement {
    int content = 0;
    int length = 0;
};

int readElement(const unsigned char* data, int size, int at, DerElement& element) {
    if (at >= size) return kDerNoElement;
    if ((data[at] & 0x1F) == 0x1F) return kDerMalformed;
    int p = at + 1;
    if (p >= size) return kDerMalformed;
    int length = data[p++];
    if (length & 0x80) {
        const int count = length & 0x7F;
        if (count == 0 || count > 4 || p + count > size) return kDerMalformed;
        unsigned value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | data[p++];
        if (value > static_cast<unsigned>(size)) return kDerMalformed;
        length = static_cast<int>(value);
    }
    if (length > size - p) return kDerMalformed;
    element.content = p;
    element.length = length;
    return kOk;
}

int findElement(const InlineString99& buffer, int n, DerElement& element) {
    const auto* data = reinterpret_cast<const unsigned char*>(buffer.data());
    int at = 0;
    for (int i = 0;; ++i) {
        const int result = readElement(data, buffer.length(), at, element);
        if (result) return result;
        if (i == n) return kOk;
        at = element.content + element.length;
    }
}

// A big-endian number written low-order byte first into a field of its own length, filled up
// with zero bytes when the value is shorter.
void appendLittleEndian(std::vector<BYTE>& blob, const InlineString99& number, std::size_t field) {
    const auto* bytes = reinterpret_cast<const BYTE*>(number.data());
    const std::size_t n = static_cast<std::size_t>(number.length());
    for (std::size_t i = 0; i < field; ++i) blob.push_back(i < n ? bytes[n - 1 - i] : 0);
}

void appendDword(std::vector<BYTE>& blob, DWORD value) {
    for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(value >> (8 * i)));
}

int setError(CoreComponent& owner, const char* text) {
    owner.setLastError(text);
    return kOk;
}

int storeErrorText(CoreComponent& owner, const char* prefix) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(GetLastError()));
    InlineString99 text;
    text.appendCString(prefix);
    text.appendCString(code);
    text.appendCString(").");
    return owner.setLastError(text.data());
}

void releaseClientCertificate(TlsSettings& tls) {
    if (tls.clientCertificate) crypt().CertFreeCertificateContext(tls.clientCertificate);
    tls.clientCertificate = nullptr;
}

void adoptStore(TlsSettings& tls, HCERTSTORE store) {
    if (tls.openedStore && tls.openedStore != store) deletePfxKeySets(tls.openedStore);
    tls.openedStore = store;
}

void deleteContainer(const char* container, DWORD flags) {
    HCRYPTPROV provider = 0;
    keyFunctions().CryptAcquireContextA(&provider, container, nullptr, PROV_RSA_FULL, flags | CRYPT_DELETEKEYSET);
}

}  // namespace

int extractPemBlock(const char* label, const char* bytes, int length, InlineString99& out) {
    out.reset();
    if (!bytes || length <= 0) return kOk;
    if (hasEightBitBytes(bytes, static_cast<std::size_t>(length))) return out.assign(static_cast<std::size_t>(length), bytes);
    InlineString99 text;
    int result = text.assign(static_cast<std::size_t>(length), bytes);
    if (result) return result;
    const int at = label && *label ? text.find(label) : -1;
    int start = 0;
    int end = length;
    if (at >= 0) {
        start = at;
        while (start < length) {
            const char c = bytes[start++];
            if (c == '\n') break;
            if (c == '\r' && (start >= length || bytes[start] != '\n')) break;
        }
        const int dashes = text.find("---", start);
        if (dashes >= 0) end = dashes;
    }
    result = out.assign(static_cast<std::size_t>(end - start), bytes + start);
    if (!result) result = base64Decode(out);
    return result;
}

int derEnterSequence(InlineString99& buffer) {
    DerElement element;
    const int result = findElement(buffer, 0, element);
    if (result) return result;
    InlineString99 content;
    const int copied = content.assign(static_cast<std::size_t>(element.length), buffer.data() + element.content);
    if (copied) return copied;
    buffer = static_cast<InlineString99&&>(content);
    return kOk;
}

int derReadInteger(const InlineString99& buffer, int n, InlineString99& out) {
    DerElement element;
    const int result = findElement(buffer, n, element);
    if (result) return result;
    return out.assign(static_cast<std::size_t>(element.length), buffer.data() + element.content);
}

int derReadIntegerValue(const InlineString99& buffer, int n, int& value) {
    DerElement element;
    const int result = findElement(buffer, n, element);
    if (result) return result;
    const auto* data = reinterpret_cast<const unsigned char*>(buffer.data()) + element.content;
    const int limit = element.length > 0 && data[0] == 0 ? 5 : 4;
    if (element.length == 0 || element.length > limit) return kDerMalformed;
    unsigned v = (data[0] & 0x80) ? 0xFFFFFFFFu : 0u;
    for (int i = 0; i < element.length; ++i) v = (v << 8) | data[i];
    value = static_cast<int>(v);
    return kOk;
}

int KeyProvider::acquire(const char* providerName, const char* container, unsigned flags, bool create) {
    release();
    const char* name = providerName && *providerName ? providerName : nullptr;
    const KeyFunctions& f = keyFunctions();
    if (f.CryptAcquireContextA(&provider, container, name, PROV_RSA_FULL, flags)) return kOk;
    if (create && GetLastError() == NTE_BAD_KEYSET &&
        f.CryptAcquireContextA(&provider, container, name, PROV_RSA_FULL, flags | CRYPT_NEWKEYSET)) {
        return kOk;
    }
    provider = 0;
    return kNoKeyProvider;
}

void KeyProvider::release() {
    const KeyFunctions& f = keyFunctions();
    if (key) f.CryptDestroyKey(key);
    if (provider) f.CryptReleaseContext(provider, 0);
    key = 0;
    provider = 0;
}

HCERTSTORE importPemKey(CoreComponent& owner, TlsSettings& tls, const char* text, int length) {
    const KeyFunctions& f = keyFunctions();
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool oldSystem = GetVersionExA(&version) && version.dwMajorVersion == 5 && version.dwMinorVersion == 0;
    const DWORD keySetFlags = oldSystem ? CRYPT_MACHINE_KEYSET : 0;
    char container[64];
    std::snprintf(container, sizeof container, "pem_key_%u_%u", static_cast<unsigned>(GetTickCount()),
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(text)));

    InlineString99 der;
    if (extractPemBlock("CERTIFICATE", text, length, der)) return nullptr;
    PCCERT_CONTEXT cert = crypt().CertCreateCertificateContext(kEncodings, reinterpret_cast<const BYTE*>(der.data()),
                                                              static_cast<DWORD>(der.length()));
    if (!cert) {
        storeErrorText(owner, "The certificate could not be decoded (error ");
        return nullptr;
    }

    InlineString99 key;
    InlineString99 numbers[9];
    int publicExponent = 0;
    int result = extractPemBlock("RSA PRIVATE KEY", text, length, key);
    if (!result) result = derEnterSequence(key);
    for (int i = 1; !result && i < 9; ++i) {
        result = i == 2 ? derReadIntegerValue(key, i, publicExponent) : derReadInteger(key, i, numbers[i]);
    }
    if (result) {
        crypt().CertFreeCertificateContext(cert);
        return nullptr;
    }
    InlineString99& modulus = numbers[1];
    // The bit length is that of the modulus without the sign byte DER may put in front.
    int modulusBytes = modulus.length();
    for (int i = 0; i < modulus.length() && modulus.data()[i] == 0; ++i) --modulusBytes;
    const DWORD bits = static_cast<DWORD>(modulusBytes) * 8;
    std::vector<BYTE> blob = {PRIVATEKEYBLOB, 2, 0, 0, 0x00, 0xA4, 0x00, 0x00, 'R', 'S', 'A', '2'};
    appendDword(blob, bits);
    appendDword(blob, static_cast<DWORD>(publicExponent));
    appendLittleEndian(blob, modulus, bits / 8);
    for (int i : {4, 5, 6, 7, 8}) appendLittleEndian(blob, numbers[i], bits / 16);
    appendLittleEndian(blob, numbers[3], bits / 8);

    HCERTSTORE memory = nullptr;
    HCERTSTORE imported = nullptr;
    KeyProvider provider;
    DWORD flags = keySetFlags;
    if (provider.acquire("", container, flags, true)) {
        flags = CRYPT_MACHINE_KEYSET;
        if (provider.acquire("", container, flags, true)) {
            setError(owner, "Could not acquire provider");
            crypt().CertFreeCertificateContext(cert);
            return nullptr;
        }
    }
    std::vector<WCHAR> wideContainer(std::strlen(container) + 1);
    for (std::size_t i = 0; i < wideContainer.size(); ++i) wideContainer[i] = static_cast<WCHAR>(container[i]);
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = wideContainer.data();
    info.dwProvType = PROV_RSA_FULL;
    info.dwFlags = flags;
    info.dwKeySpec = AT_KEYEXCHANGE;
    std::vector<BYTE> pfx;
    if (!f.CryptImportKey(provider.provider, blob.data(), static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE,
                          &provider.key)) {
        setError(owner, "Could not import key");
    } else if (!f.CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info)) {
        setError(owner, "Can't set key provider info");
    } else if (tls.SSLCertSubject.assignCString("*"),
               !(memory = crypt().CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr)) ||
                   !f.CertAddCertificateContextToStore(memory, cert, CERT_STORE_ADD_ALWAYS, nullptr)) {
        setError(owner, "Can't add certificate to store");
    } else {
        // The size is asked for first: a fixed buffer would refuse larger keys.
        CRYPT_DATA_BLOB out{0, nullptr};
        const auto* password = reinterpret_cast<LPCWSTR>(kTransferPassword);
        bool exported = f.PFXExportCertStore(memory, &out, password, EXPORT_PRIVATE_KEYS) && out.cbData > 0;
        if (exported) {
            pfx.resize(out.cbData);
            out.pbData = pfx.data();
            exported = f.PFXExportCertStore(memory, &out, password, EXPORT_PRIVATE_KEYS);
            pfx.resize(out.cbData);
        }
        if (!exported) setError(owner, "Can't export certificate");
    }
    if (memory) crypt().CertCloseStore(memory, 0);
    crypt().CertFreeCertificateContext(cert);
    provider.release();
    deleteContainer(container, flags);
    if (pfx.empty()) return nullptr;

    CRYPT_DATA_BLOB data{static_cast<DWORD>(pfx.size()), pfx.data()};
    const auto* password = reinterpret_cast<LPCWSTR>(kTransferPassword);
    imported = crypt().PFXImportCertStore(&data, password, CRYPT_EXPORTABLE);
    if (!imported) imported = crypt().PFXImportCertStore(&data, password, CRYPT_EXPORTABLE | CRYPT_MACHINE_KEYSET);
    if (imported) adoptStore(tls, imported);
    return imported;
}

HCERTSTORE readPemFile(CoreComponent& owner, TlsSettings& tls, const char* fileName) {
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const DWORD size = GetFileSize(file, nullptr);
    std::vector<char> data(size == INVALID_FILE_SIZE ? 0 : size);
    DWORD read = 0;
    const bool ok = size != INVALID_FILE_SIZE && (size == 0 || ReadFile(file, data.data(), size, &read, nullptr)) &&
                    read == size;
    CloseHandle(file);
    if (!ok || read == 0) return nullptr;
    return importPemKey(owner, tls, data.data(), static_cast<int>(read));
}

HCERTSTORE openClientStore(CoreComponent& owner, TlsSettings& tls, bool readOnly) {
    const char* bytes = tls.SSLCertStore.data();
    const int length = tls.SSLCertStore.length();
    if (tls.SSLCertStoreType != sstPEMKey) {
        return tls.openCertStore(bytes, length, tls.SSLCertStoreType, tls.SSLCertStorePassword.data(), readOnly);
    }
    if (length <= 0) return nullptr;
    if (tls.SSLCertStore.find("-----") >= 0) return importPemKey(owner, tls, bytes, length);
    InlineString99 name;
    if (name.assign(static_cast<std::size_t>(length), bytes)) return nullptr;
    return readPemFile(owner, tls, name.data());
}

int selectClientCertificate(CoreComponent& owner, TlsSettings& tls, bool readOnly) {
    releaseClientCertificate(tls);
    if (tls.SSLCertStore.empty() || tls.SSLCertSubject.empty()) return kOk;
    owner.lastError.reset();
    HCERTSTORE store = openClientStore(owner, tls, readOnly);
    if (!store) {
        if (owner.lastError.empty()) storeErrorText(owner, "The certificate store could not be opened (");
        return kCertStoreNotOpened;
    }
    InlineString99 subject;
    int result = subject.assign(static_cast<std::size_t>(tls.SSLCertSubject.length()), tls.SSLCertSubject.data());
    if (!result) result = tls.findCertificateBySubject(store, subject.data());
    if (store != tls.openedStore) crypt().CertCloseStore(store, 0);
    return result;
}

int setClientCertificateEncoded(TlsSettings& tls, const char* bytes, int length) {
    InlineString99 der;
    const int result = extractPemBlock("CERTIFICATE", bytes, length, der);
    if (result) return result;
    return tls.setCertEncoded(der.data(), der.length());
}

}  // namespace express_checkout
