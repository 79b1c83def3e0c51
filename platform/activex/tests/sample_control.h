#pragma once
// The framework's sample server: a windowed control with a range-checked property, a text
// property, a colour, events by value and by reference, and a twin that is invisible at run time.

#include "com/com.h"

struct ISampleControl : IDispatch {
    virtual HRESULT get_Value(LONG* value) = 0;
    virtual HRESULT put_Value(LONG value) = 0;
    virtual HRESULT get_Caption(BSTR* caption) = 0;
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT get_Color(ULONG* color) = 0;
    virtual HRESULT put_Color(ULONG color) = 0;
    virtual HRESULT FireChanged(LONG value, LONG* result) = 0;
    virtual HRESULT FireClosing(VARIANT_BOOL* cancel) = 0;
    virtual HRESULT FireRename(BSTR* name) = 0;
    virtual HRESULT get_Window(LONG* hwnd) = 0;
};
COM_INTERFACE_ID(ISampleControl, "{7A6C1E20-4B3D-4F0A-9C2E-5D8B1F3A6C01}");

inline constexpr CLSID CLSID_SampleControl = com::guid("{7A6C1E21-4B3D-4F0A-9C2E-5D8B1F3A6C01}");
inline constexpr CLSID CLSID_SampleInvisible = com::guid("{7A6C1E22-4B3D-4F0A-9C2E-5D8B1F3A6C01}");
inline constexpr GUID LIBID_SampleControlLib = com::guid("{7A6C1E23-4B3D-4F0A-9C2E-5D8B1F3A6C01}");
inline constexpr IID DIID_ISampleControlEvents = com::guid("{7A6C1E24-4B3D-4F0A-9C2E-5D8B1F3A6C01}");
inline constexpr CLSID CLSID_SampleQuiet = com::guid("{7A6C1E26-4B3D-4F0A-9C2E-5D8B1F3A6C01}");
inline constexpr char kSampleAppId[] = "{7A6C1E25-4B3D-4F0A-9C2E-5D8B1F3A6C01}";

inline constexpr char kSampleProgId[] = "AxTest.SampleControl.1";
inline constexpr char kSampleIndependentProgId[] = "AxTest.SampleControl";
inline constexpr char kInvisibleProgId[] = "AxTest.SampleInvisible.1";
inline constexpr char kInvisibleIndependentProgId[] = "AxTest.SampleInvisible";
inline constexpr char kQuietProgId[] = "AxTest.SampleQuiet.1";
inline constexpr char16_t kSampleRangeError[] = u"Invalid property value (SampleVer01).";

// Events of _ISampleControlEvents.
constexpr DISPID kChangedEvent = 1;   // Changed(long Value)
constexpr DISPID kClosingEvent = 2;   // Closing(VARIANT_BOOL* Cancel)
constexpr DISPID kRenameEvent = 3;    // Rename(BSTR* Name)
constexpr DISPID kClickEvent = 4;     // Click(long X, long Y)

// The sample's size rule: at least 32 pixels wide.
constexpr LONG kSampleMinWidth = 32;
// The miscellaneous status of both classes.
constexpr DWORD kSampleMisc = 131473;
constexpr DWORD kInvisibleMisc = 132497;
