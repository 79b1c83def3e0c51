#include "payment_core/security_library.h"

#include <mutex>

#include "win32/module.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {
namespace {

CertificateFunctions g_certificates;
SecurityFunctionTableA g_security;
bool g_securityLoaded = false;
std::once_flag g_certificatesOnce;
std::once_flag g_securityOnce;

template <class Entry>
void bind(HMODULE module, Entry& entry, const char* name) {
    entry.fn = reinterpret_cast<decltype(entry.fn)>(GetProcAddress(module, name));
}

void bindCrypt32() {
    HMODULE module = LoadLibraryA("crypt32.dll");
    if (!module) return;
    CertificateFunctions& f = g_certificates;
#define PAYMENT_CORE_BIND(name) bind(module, f.name, #name)
    PAYMENT_CORE_BIND(CertDuplicateCertificateContext);
    PAYMENT_CORE_BIND(CertFreeCertificateContext);
    PAYMENT_CORE_BIND(CertCloseStore);
    PAYMENT_CORE_BIND(CertNameToStrA);
    PAYMENT_CORE_BIND(CertFindCertificateInStore);
    PAYMENT_CORE_BIND(CertStrToNameA);
    PAYMENT_CORE_BIND(CertOpenStore);
    PAYMENT_CORE_BIND(CertVerifyCertificateChainPolicy);
    PAYMENT_CORE_BIND(CertGetCertificateChain);
    PAYMENT_CORE_BIND(CertFreeCertificateChain);
    PAYMENT_CORE_BIND(CertCreateCertificateContext);
    PAYMENT_CORE_BIND(CertGetCertificateContextProperty);
    PAYMENT_CORE_BIND(CertDeleteCertificateFromStore);
    PAYMENT_CORE_BIND(CryptAcquireContextU);
    PAYMENT_CORE_BIND(PFXImportCertStore);
#undef PAYMENT_CORE_BIND
}

void bindSecurityProvider() {
    HMODULE module = LoadLibraryA("security.dll");
    if (!module) module = LoadLibraryA("secur32.dll");
    if (!module) return;
    auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_A>(GetProcAddress(module, "InitSecurityInterfaceA"));
    const SecurityFunctionTableA* table = init ? init() : nullptr;
    if (!table) return;
    g_security = *table;
    g_securityLoaded = true;
}

}  // namespace

void loadSecurityInterface() {
    std::call_once(g_certificatesOnce, bindCrypt32);
    std::call_once(g_securityOnce, bindSecurityProvider);
}

const CertificateFunctions& certificateFunctions() {
    std::call_once(g_certificatesOnce, bindCrypt32);
    return g_certificates;
}

const SecurityFunctionTableA* securityFunctions() {
    loadSecurityInterface();
    return g_securityLoaded ? &g_security : nullptr;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
