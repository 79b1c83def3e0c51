#pragma once
// The core is compiled twice: once for the card control and once, with
// PAYMENT_CORE_CHECKOUT=1, for the express-checkout control. Each build lives in
// its own inline namespace so that both controls can be loaded into one process
// without their differently sized classes resolving to each other's symbols.

#ifndef PAYMENT_CORE_CHECKOUT
#define PAYMENT_CORE_CHECKOUT 0
#endif

#if PAYMENT_CORE_CHECKOUT
#define PAYMENT_CORE_VARIANT checkout_build
#else
#define PAYMENT_CORE_VARIANT card_build
#endif

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {
constexpr bool kCheckoutBuild = PAYMENT_CORE_CHECKOUT != 0;
}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
