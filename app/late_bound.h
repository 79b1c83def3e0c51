#pragma once
// Late-bound calls to hosted controls, by member name through IDispatch, as the program makes
// them. A failing call raises a forms::Error: the control's own description for an exception it
// reports, "Object variable or With block variable not set" (91) for a control that is missing.

#include <initializer_list>
#include <string>

#include "forms/forms.h"

namespace late_bound {

com::Variant Invoke(IDispatch* object, const std::string& name, WORD flags,
                    std::initializer_list<com::Variant> args = {});

inline com::Variant Call(IDispatch* object, const std::string& name, std::initializer_list<com::Variant> args = {}) {
    return Invoke(object, name, DISPATCH_METHOD, args);
}
inline com::Variant Get(IDispatch* object, const std::string& name) {
    return Invoke(object, name, DISPATCH_PROPERTYGET);
}
void Put(IDispatch* object, const std::string& name, const com::Variant& value);

// The value as a 32-bit whole number (raises 13 when it is none).
long AsLong(const com::Variant& value);
// A property that holds an object (raises 91 when it holds none).
com::ComPtr<IDispatch> GetObject(IDispatch* object, const std::string& name);

}  // namespace late_bound
