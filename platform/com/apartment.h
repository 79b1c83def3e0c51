#pragma once
// Between activation and marshalling (internal): the apartment's end tears down what
// marshalling made for it.

namespace com::detail {
void apartmentEnding();
}  // namespace com::detail
