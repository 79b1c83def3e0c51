#pragma once
// Client certificates of this control: besides the store types of the core it takes the
// certificate with its RSA private key as PEM text (or a PEM file). The TLS provider only uses
// keys that a key container holds, so the key goes into a temporary container, is tied to the
// certificate, both are exported as PFX data in memory, the container is deleted and the PFX
// data imported like a PFX blob.

#include "payment_core/tls_settings.h"

namespace express_checkout {

using payment_core::CoreComponent;
using payment_core::InlineString99;
using payment_core::TlsSettings;

// TSSLCertStoreType of this control: the core's four and PEM text or a PEM file name.
constexpr int sstPEMKey = 4;

constexpr int kDerMalformed = 446;
constexpr int kDerNoElement = 447;
constexpr int kNoKeyProvider = 221;

// Text with any 8-bit byte is DER and kept whole; otherwise the base64 after the line that
// names the label, up to the next "---", or the whole text when the label is absent.
int extractPemBlock(const char* label, const char* bytes, int length, InlineString99& out);

// The buffer becomes the contents of its first element.
int derEnterSequence(InlineString99& buffer);
// The content bytes of element n (big-endian, a leading 0 kept).
int derReadInteger(const InlineString99& buffer, int n, InlineString99& out);
// Element n as a signed integer of at most 4 content bytes (5 when the first is 0).
int derReadIntegerValue(const InlineString99& buffer, int n, int& value);

// A key container with the key imported into it.
class KeyProvider {
public:
    ~KeyProvider() { release(); }
    // An empty provider name means the default; create adds CRYPT_NEWKEYSET on a missing set.
    int acquire(const char* provider, const char* container, unsigned flags, bool create);
    void release();

    HCRYPTPROV provider = 0;
    HCRYPTKEY key = 0;
};

// Opens the store for the certificate settings, PEM types included (null: no store, the text
// in the owner's lastError for a PEM failure).
HCERTSTORE openClientStore(CoreComponent& owner, TlsSettings& tls, bool readOnly);
HCERTSTORE importPemKey(CoreComponent& owner, TlsSettings& tls, const char* text, int length);
HCERTSTORE readPemFile(CoreComponent& owner, TlsSettings& tls, const char* fileName);
// The client certificate named by SSLCertSubject, from the store the settings name. A failure
// text is stored only when none was, so that a PEM failure keeps its own.
int selectClientCertificate(CoreComponent& owner, TlsSettings& tls, bool readOnly);
// SSLCertEncoded: the CERTIFICATE block may stand anywhere in the text.
int setClientCertificateEncoded(TlsSettings& tls, const char* bytes, int length);

}  // namespace express_checkout
