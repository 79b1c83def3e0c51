#pragma once
// Result codes shared by every level of the core: 0 is success and every other
// value names a failure whose text the failing code left in `lastError`.

#include "payment_core/core_build.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kOk = 0;
constexpr int kUnknownConfigSetting = -1;
constexpr int kInvalidAttributeIndex = 101;
constexpr int kNoAttributes = 102;
constexpr int kOutOfMemory = 200;
constexpr int kUnbalancedElementTag = 201;
constexpr int kUnknownElementPrefix = 202;
constexpr int kUnknownAttributePrefix = 203;
constexpr int kInvalidXmlMarkup = 204;
constexpr int kInvalidEndState = 205;
constexpr int kUnbalancedElements = 206;
constexpr int kInvalidXPath = 207;
constexpr int kNoSuchChild = 208;
constexpr int kTopElementMismatch = 209;
constexpr int kDomUnavailable = 210;
constexpr int kInterrupted = 301;
constexpr int kListIndexOutOfRange = 432;
constexpr int kListEmpty = 433;

inline constexpr const char* kOutOfMemoryText = "Out of memory.";
inline constexpr const char* kUnknownConfigSettingText = "Unknown config setting.";

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
