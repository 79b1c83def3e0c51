#pragma once
// The hosted audio editor control AudioEditor2 of the library ZembraAudioEditor2: its dual
// interfaces, sub-objects, event interface and identifiers. Hosts use it late-bound by CLSID or
// ProgID; the C++ declarations serve the library and its tests.

#include "com/com.h"

struct ISelection : IDispatch {
    virtual HRESULT MsToPosition(LONG ms, LONG* position) = 0;
    virtual HRESULT PositionToMs(LONG position, LONG* ms) = 0;
    virtual HRESULT get_SelStart(LONG* position) = 0;
    virtual HRESULT put_SelStart(LONG position) = 0;
    virtual HRESULT get_SelEnd(LONG* position) = 0;
    virtual HRESULT put_SelEnd(LONG position) = 0;
    virtual HRESULT get_SelectionActive(VARIANT_BOOL* active) = 0;
    virtual HRESULT put_SelectionActive(VARIANT_BOOL active) = 0;
    virtual HRESULT get_Length(LONG* frames) = 0;
    virtual HRESULT get_CurrentPosition(LONG* position) = 0;
    virtual HRESULT put_CurrentPosition(LONG position) = 0;
};
COM_INTERFACE_ID(ISelection, "{148369A9-0CA4-455F-8465-2C1E1C57D4E4}");

struct IWaveInfo : IDispatch {
    virtual HRESULT get_SampleRate(LONG* rate) = 0;
};
COM_INTERFACE_ID(IWaveInfo, "{C6B8D007-6C19-46E8-A33E-12D6197648B1}");

struct ISaveFormat : IDispatch {
    virtual HRESULT SetFormat(LONG sampleRate, LONG kbps, LONG channels) = 0;
};
COM_INTERFACE_ID(ISaveFormat, "{8B3C15E4-6A25-4B2E-BD86-0E7DE5C97C9B}");

// TimeRuler, LevelRuler and Overview: a style of 0 hides the part.
struct IViewPart : IDispatch {
    virtual HRESULT SetStyle(LONG style) = 0;
    virtual HRESULT get_Style(LONG* style) = 0;
};
COM_INTERFACE_ID(IViewPart, "{1EA4C41C-8C44-4E48-97BD-8C4F2FC53071}");

// Colours are OLE colours: 0x00BBGGRR or a system colour.
struct IColors : IDispatch {
    virtual HRESULT SetWaveColor(ULONG color) = 0;
    virtual HRESULT SetBackColor(ULONG color) = 0;
    virtual HRESULT SetSelectedWaveColor(ULONG color) = 0;
    virtual HRESULT SetSelectedBackColor(ULONG color) = 0;
};
COM_INTERFACE_ID(IColors, "{0307A380-CE82-4157-A344-530B13455EC3}");

struct IAudioEditor2 : IDispatch {
    virtual HRESULT OpenFile(BSTR path) = 0;
    virtual HRESULT SaveFile(BSTR path, VARIANT_BOOL selectionOnly) = 0;
    virtual HRESULT CloseFile() = 0;
    virtual HRESULT Play() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT get_PlayState(SHORT* state) = 0;
    virtual HRESULT CopySelection() = 0;
    virtual HRESULT PasteAtPosition() = 0;
    virtual HRESULT get_Selection(ISelection** selection) = 0;
    virtual HRESULT get_WaveInfo(IWaveInfo** info) = 0;
    virtual HRESULT get_SaveFormat(ISaveFormat** format) = 0;
    virtual HRESULT get_LoopGap(LONG* ms) = 0;
    virtual HRESULT put_LoopGap(LONG ms) = 0;
    virtual HRESULT get_ScrollBarsVisible(VARIANT_BOOL* visible) = 0;
    virtual HRESULT put_ScrollBarsVisible(VARIANT_BOOL visible) = 0;
    virtual HRESULT get_TimeRuler(IViewPart** part) = 0;
    virtual HRESULT get_LevelRuler(IViewPart** part) = 0;
    virtual HRESULT get_Overview(IViewPart** part) = 0;
    virtual HRESULT get_Colors(IColors** colors) = 0;
};
COM_INTERFACE_ID(IAudioEditor2, "{C66D9DAC-D81F-4C87-BFA9-1F3BE4E85D0C}");

inline constexpr CLSID CLSID_AudioEditor2 = com::guid("{FE1DDF1C-CAF7-479E-9DE2-B99057AAEEE6}");
inline constexpr GUID LIBID_ZembraAudioEditor2 = com::guid("{D6373181-7806-4CC5-A25B-EB3FDE1CF485}");
inline constexpr IID DIID__IAudioEditor2Events = com::guid("{D8A2E8F0-98D0-40C8-B15D-80DD73B14B46}");
inline constexpr char kAudioEditor2AppId[] = "{4B0943EF-0D04-42C0-AFB2-7FFC659DC8D3}";

inline constexpr char kAudioEditor2ProgId[] = "ZembraAudioEditor2.AudioEditor2.1";
inline constexpr char kAudioEditor2IndependentProgId[] = "ZembraAudioEditor2.AudioEditor2";
inline constexpr char kAudioEditor2Library[] = "libAudioEditor2.so";

// Events of _IAudioEditor2Events.
constexpr DISPID kPlaybackEndedEvent = 1;  // PlaybackEnded()
