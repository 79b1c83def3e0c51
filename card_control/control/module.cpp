// The in-process server Corvisk21: the class object, the unload check, self-registration, and the
// vendor's client library, bound for as long as this library is loaded.

#include "card_control/control/corvisk.h"
#include "card_control/pfpro_binding.h"

namespace corvisk {

namespace {

struct VendorLibraryLifetime {
    VendorLibraryLifetime() { card_control::PfProBinding::bind(); }
    ~VendorLibraryLifetime() { card_control::PfProBinding::release(); }
} vendorLibraryLifetime;

}  // namespace

activex::Module& corviskModule() {
    static activex::Module module(&kCORVISKLib, {corviskClassEntry()});
    return module;
}

}  // namespace corvisk

ACTIVEX_SERVER_ENTRY_POINTS(corvisk::corviskModule())
