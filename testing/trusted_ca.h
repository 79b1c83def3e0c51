#pragma once
// The test CA among the user's trusted roots, as an installed root would be. Header-only, for the
// tests and benchmarks that link the certificate library.

#include <string>

#include "crypt32/crypt32.h"
#include "testing/certificates.h"

namespace fixtures {

inline bool trustInUserRoots(const std::string& der) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    if (!store) return false;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der.data()),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added != FALSE;
}

inline bool trustTestCa() { return trustInUserRoots(TestCertificates::instance().der(CertKind::Ca)); }

}  // namespace fixtures
