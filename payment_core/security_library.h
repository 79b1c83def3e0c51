#pragma once
// The TLS provider and the certificate library are bound by name at run time, once per
// process. A missing library or entry leaves its slot empty: provider users then fail with
// 270, and every certificate call answers null or 0, so the operation finds nothing.

#include "crypt32/crypt32.h"
#include "payment_core/core_build.h"
#include "sspi/sspi.h"

#include <type_traits>

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// One certificate library entry; a call through an empty slot answers a zero value.
template <class Fn>
struct CertificateEntry;

template <class R, class... A>
struct CertificateEntry<R (*)(A...)> {
    R (*fn)(A...) = nullptr;
    R operator()(A... args) const {
        if (!fn) {
            if constexpr (std::is_void_v<R>) return;
            else return R{};
        }
        return fn(args...);
    }
};

struct CertificateFunctions {
    CertificateEntry<decltype(&::CertDuplicateCertificateContext)> CertDuplicateCertificateContext;
    CertificateEntry<decltype(&::CertFreeCertificateContext)> CertFreeCertificateContext;
    CertificateEntry<decltype(&::CertCloseStore)> CertCloseStore;
    CertificateEntry<decltype(&::CertNameToStrA)> CertNameToStrA;
    CertificateEntry<decltype(&::CertFindCertificateInStore)> CertFindCertificateInStore;
    CertificateEntry<decltype(&::CertStrToNameA)> CertStrToNameA;
    CertificateEntry<decltype(&::CertOpenStore)> CertOpenStore;
    CertificateEntry<decltype(&::CertVerifyCertificateChainPolicy)> CertVerifyCertificateChainPolicy;
    CertificateEntry<decltype(&::CertGetCertificateChain)> CertGetCertificateChain;
    CertificateEntry<decltype(&::CertFreeCertificateChain)> CertFreeCertificateChain;
    CertificateEntry<decltype(&::CertCreateCertificateContext)> CertCreateCertificateContext;
    CertificateEntry<decltype(&::CertGetCertificateContextProperty)> CertGetCertificateContextProperty;
    CertificateEntry<decltype(&::CertDeleteCertificateFromStore)> CertDeleteCertificateFromStore;
    CertificateEntry<decltype(&::CryptAcquireContextU)> CryptAcquireContextU;
    CertificateEntry<decltype(&::PFXImportCertStore)> PFXImportCertStore;
};

// Binds both libraries the first time it is called.
void loadSecurityInterface();

// The certificate library's entries (bound on first use).
const CertificateFunctions& certificateFunctions();

// The provider's function table, or null when no provider could be loaded.
const SecurityFunctionTableA* securityFunctions();

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
