#pragma once
// The socket layer reaches the socket library only through this process-wide table, bound by
// ordinal at run time to the module named by WinsockPath. Until the first load, and again after
// the last user lets go, every slot holds a fallback that fails with a socket error code, so a
// call made too early fails instead of crashing.

#include <atomic>

#include "payment_core/core_build.h"
#include "payment_core/inline_string.h"
#include "winsock/winsock.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

template <class Fn>
class WinsockSlot;

// Slots are atomic because components on different threads may load and unload the library.
template <class R, class... A>
class WinsockSlot<R (*)(A...)> {
public:
    using Function = R (*)(A...);
    R operator()(A... args) const { return fn_.load(std::memory_order_acquire)(args...); }
    Function get() const { return fn_.load(std::memory_order_acquire); }
    void set(Function fn) { fn_.store(fn, std::memory_order_release); }

private:
    std::atomic<Function> fn_{nullptr};
};

struct WinsockTable {
#define PAYMENT_CORE_WINSOCK_SLOT(ord, name, ret, args) WinsockSlot<winsock::name##_fn> name;
    WINSOCK_ENTRY_POINTS(PAYMENT_CORE_WINSOCK_SLOT)
#undef PAYMENT_CORE_WINSOCK_SLOT
};

WinsockTable& winsockTable();

// 1 when the library is loaded and negotiated version 1.1; 0 with the reason in the status text.
int startWinsock();
// Gives back one load taken by a successful startWinsock.
void stopWinsock();
void setWinsockPath(const char* text);

// The answers of the Winsock Config queries.
int winsockInfo(InlineString99& out);
int winsockStatus(InlineString99& out);
int winsockPath(InlineString99& out);
int winsockMaxSockets();
int winsockMaxDatagramSize();
// Components holding a load now.
int winsockUsers();

// The text of a socket error code, or null when the table has none.
const char* winsockErrorText(int code);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
