#pragma once
// For the other stand-ins backed by OpenSSL (the TLS provider): the OpenSSL objects behind a
// certificate context.

#include "crypt32/crypt32.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>
#include <vector>

namespace crypt32 {
// The certificate itself (owned by the context; valid while the context lives).
X509* certificateX509(PCCERT_CONTEXT cert);
// The private key of the container named by the certificate's key provider information, with a
// new reference, or nullptr.
EVP_PKEY* certificatePrivateKey(PCCERT_CONTEXT cert);
// Adds the trust roots of the machine and user stores to an OpenSSL store, for stand-ins that
// verify servers themselves.
void addTrustRoots(X509_STORE* target);
// The intermediates for a server's leaf that its chain is judged with, here and by stand-ins
// that verify servers themselves: of those it sent and those of the CA stores, the ones of the
// chain judged best, every candidate issuer tried. The caller frees the stack.
STACK_OF(X509) * chainIntermediates(X509* leaf, STACK_OF(X509) * sent);
// The key containers that exist (for tests proving a deletion).
std::vector<std::string> keyContainers(bool machine);
}  // namespace crypt32
