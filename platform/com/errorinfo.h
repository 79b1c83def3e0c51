#pragma once
// Rich error information: one error object per thread, set by a failing member, read by its caller.

#include "com/oleauto.h"

struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* guid) = 0;
    virtual HRESULT GetSource(BSTR* source) = 0;
    virtual HRESULT GetDescription(BSTR* description) = 0;
    virtual HRESULT GetHelpFile(BSTR* helpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* helpContext) = 0;
};
COM_INTERFACE_ID(IErrorInfo, "{1CF2B120-547D-101B-8E65-08002B2BD119}");

struct ICreateErrorInfo : IUnknown {
    virtual HRESULT SetGUID(REFGUID guid) = 0;
    virtual HRESULT SetSource(LPOLESTR source) = 0;
    virtual HRESULT SetDescription(LPOLESTR description) = 0;
    virtual HRESULT SetHelpFile(LPOLESTR helpFile) = 0;
    virtual HRESULT SetHelpContext(DWORD helpContext) = 0;
};
COM_INTERFACE_ID(ICreateErrorInfo, "{22F03340-547D-101B-8E65-08002B2BD119}");

struct ISupportErrorInfo : IUnknown {
    virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};
COM_INTERFACE_ID(ISupportErrorInfo, "{DF0B3D60-548F-101B-8E65-08002B2BD119}");


HRESULT CreateErrorInfo(ICreateErrorInfo** out);
// Replaces this thread's error object (nullptr clears it); the thread takes a reference.
HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* info);
// Hands the thread's error object to the caller and clears it; S_FALSE when there is none.
HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** info);

namespace com {

// Builds and installs an error object in one step: what every failing member does.
HRESULT setErrorInfo(REFGUID iid, std::u16string_view source, std::u16string_view description,
                     std::u16string_view helpFile = {}, DWORD helpContext = 0);

// Moves the thread's error object into an EXCEPINFO (scode = hr; the fields are left empty
// when there is no error object).
void fillExcepInfo(EXCEPINFO* info, HRESULT hr);
// Frees the texts of an EXCEPINFO and zeroes it.
void clearExcepInfo(EXCEPINFO* info);

}  // namespace com
