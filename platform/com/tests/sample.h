#pragma once
// A dual interface with one of each kind of member, served by the test server library and by
// in-process objects in the tests.

#include "com/typeinfo.h"

struct ISample : IDispatch {
    virtual HRESULT _OnTimer() = 0;
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_Item(LONG index, BSTR* text) = 0;
    virtual HRESULT put_Item(LONG index, BSTR text) = 0;
    virtual HRESULT get_Enabled(VARIANT_BOOL* on) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL on) = 0;
    virtual HRESULT get_Ratio(DOUBLE* ratio) = 0;
    virtual HRESULT put_Ratio(DOUBLE ratio) = 0;
    virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;
    virtual HRESULT Swap(LONG* a, LONG* b) = 0;
    virtual HRESULT Append(BSTR* text, BSTR suffix) = 0;
    virtual HRESULT get_Child(IDispatch** child) = 0;
    virtual HRESULT get_Ticks(LONG* ticks) = 0;
    virtual HRESULT get_TickThread(LONG* threadId) = 0;
    virtual HRESULT CallPartner(LONG a, LONG b, LONG* sum) = 0;
    virtual HRESULT putref_Partner(IDispatch* partner) = 0;
};
COM_INTERFACE_ID(ISample, "{5B0E8F0A-3C51-4D7E-9A61-2F4B8C1D0E11}");

inline constexpr CLSID CLSID_Sample = com::guid("{5B0E8F0B-3C51-4D7E-9A61-2F4B8C1D0E11}");
inline constexpr GUID LIBID_SampleLib = com::guid("{5B0E8F0C-3C51-4D7E-9A61-2F4B8C1D0E11}");
inline constexpr IID DIID_ISampleEvents = com::guid("{5B0E8F0D-3C51-4D7E-9A61-2F4B8C1D0E11}");
inline constexpr char kSampleProgId[] = "ComTest.Sample.1";
inline constexpr char kSampleName[] = "Sample Class";
inline constexpr char kSampleRangeError[] = "Value is out of range.";

namespace sample {

extern const com::TypeDesc kISample;
extern const com::TypeDesc kISampleEvents;
extern const com::TypeDesc kSampleClass;
extern const com::TypeLibDesc kSampleLib;

// A new object holding one reference, as ISample.
ISample* create();
// Objects alive in this module.
long liveObjects();

}  // namespace sample
