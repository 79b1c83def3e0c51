#include "late_bound.h"

#include <vector>

#include "com/errorinfo.h"

namespace late_bound {

com::Variant Invoke(IDispatch* object, const std::string& name, WORD flags, std::initializer_list<com::Variant> args) {
    if (!object) forms::raise(forms::errObjectNotSet);
    std::u16string wide = com::toUtf16(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id)))
        forms::raise(438, "Object doesn't support this property or method");
    std::vector<VARIANT> reversed(std::rbegin(args), std::rend(args));
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    com::Variant result;
    EXCEPINFO info{};
    HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, &result, &info, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        std::string description = com::toUtf8(com::view(info.bstrDescription));
        long number = static_cast<long>(static_cast<unsigned long>(info.scode) & 0xFFFF);
        com::clearExcepInfo(&info);
        forms::raise(number ? number : 440, description.empty() ? "Automation error" : description);
    }
    if (FAILED(hr)) forms::raise(440, "Automation error");
    return result;
}

void Put(IDispatch* object, const std::string& name, const com::Variant& value) {
    Invoke(object, name, DISPATCH_PROPERTYPUT, {value});
}

long AsLong(const com::Variant& value) {
    com::Variant copy = value;
    if (FAILED(VariantChangeType(&copy, &copy, 0, VT_I4))) forms::raise(forms::errTypeMismatch);
    return copy.lVal;
}

com::ComPtr<IDispatch> GetObject(IDispatch* object, const std::string& name) {
    com::Variant value = Get(object, name);
    if (value.vt != VT_DISPATCH || !value.pdispVal) forms::raise(forms::errObjectNotSet);
    return com::ComPtr<IDispatch>(value.pdispVal);
}

}  // namespace late_bound
