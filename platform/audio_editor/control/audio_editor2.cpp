#include "audio_editor2.h"

#include "activex/control.h"
#include "audio_editor/audio_editor.h"
#include "audio_editor/waveform_view.h"
#include "com/olecolor.h"
#include "win32/files.h"

#include <algorithm>
#include <new>

namespace {

using com::method;
using com::propget;
using com::propput;

const com::TypeDesc kISelection = com::dualInterface<ISelection>(
    "ISelection", "The selection and the play position, in positions of the loaded clip",
    {
        method<&ISelection::MsToPosition>("MsToPosition", 1, {{"Ms"}}),
        method<&ISelection::PositionToMs>("PositionToMs", 2, {{"Position"}}),
        propget<&ISelection::get_SelStart>("SelStart", 3),
        propput<&ISelection::put_SelStart>("SelStart", 3, {{"Position"}}),
        propget<&ISelection::get_SelEnd>("SelEnd", 4),
        propput<&ISelection::put_SelEnd>("SelEnd", 4, {{"Position"}}),
        propget<&ISelection::get_SelectionActive>("SelectionActive", 5, {{"Active", VT_BOOL | VT_BYREF}}),
        propput<&ISelection::put_SelectionActive>("SelectionActive", 5, {{"Active", VT_BOOL}}),
        propget<&ISelection::get_Length>("Length", 6),
        propget<&ISelection::get_CurrentPosition>("CurrentPosition", 7),
        propput<&ISelection::put_CurrentPosition>("CurrentPosition", 7, {{"Position"}}),
    });

const com::TypeDesc kIWaveInfo = com::dualInterface<IWaveInfo>(
    "IWaveInfo", "The loaded clip's format", {propget<&IWaveInfo::get_SampleRate>("SampleRate", 1)});

const com::TypeDesc kISaveFormat = com::dualInterface<ISaveFormat>(
    "ISaveFormat", "The format SaveFile writes",
    {method<&ISaveFormat::SetFormat>("SetFormat", 1, {{"SampleRate"}, {"Kbps"}, {"Channels"}})});

const com::TypeDesc kIViewPart = com::dualInterface<IViewPart>(
    "IViewPart", "A part of the waveform view",
    {method<&IViewPart::SetStyle>("SetStyle", 1, {{"Style"}}), propget<&IViewPart::get_Style>("Style", 2)});

const com::TypeDesc kIColors = com::dualInterface<IColors>(
    "IColors", "The colours of the waveform view",
    {
        method<&IColors::SetWaveColor>("SetWaveColor", 1, {{"Color"}}),
        method<&IColors::SetBackColor>("SetBackColor", 2, {{"Color"}}),
        method<&IColors::SetSelectedWaveColor>("SetSelectedWaveColor", 3, {{"Color"}}),
        method<&IColors::SetSelectedBackColor>("SetSelectedBackColor", 4, {{"Color"}}),
    });

const com::TypeDesc kIAudioEditor2 = com::dualInterface<IAudioEditor2>(
    "IAudioEditor2", "AudioEditor2 Interface",
    {
        method<&IAudioEditor2::OpenFile>("OpenFile", 1, {{"Path"}}),
        method<&IAudioEditor2::SaveFile>("SaveFile", 2, {{"Path"}, {"SelectionOnly", VT_BOOL}}),
        method<&IAudioEditor2::CloseFile>("CloseFile", 3),
        method<&IAudioEditor2::Play>("Play", 4),
        method<&IAudioEditor2::Stop>("Stop", 5),
        propget<&IAudioEditor2::get_PlayState>("PlayState", 6),
        method<&IAudioEditor2::CopySelection>("CopySelection", 7),
        method<&IAudioEditor2::PasteAtPosition>("PasteAtPosition", 8),
        propget<&IAudioEditor2::get_Selection>("Selection", 9),
        propget<&IAudioEditor2::get_WaveInfo>("WaveInfo", 10),
        propget<&IAudioEditor2::get_SaveFormat>("SaveFormat", 11),
        propget<&IAudioEditor2::get_LoopGap>("LoopGap", 12),
        propput<&IAudioEditor2::put_LoopGap>("LoopGap", 12, {{"Ms"}}),
        propget<&IAudioEditor2::get_ScrollBarsVisible>("ScrollBarsVisible", 13,
                                                       {{"Visible", VT_BOOL | VT_BYREF}}),
        propput<&IAudioEditor2::put_ScrollBarsVisible>("ScrollBarsVisible", 13, {{"Visible", VT_BOOL}}),
        propget<&IAudioEditor2::get_TimeRuler>("TimeRuler", 14),
        propget<&IAudioEditor2::get_LevelRuler>("LevelRuler", 15),
        propget<&IAudioEditor2::get_Overview>("Overview", 16),
        propget<&IAudioEditor2::get_Colors>("Colors", 17),
    });

const com::TypeDesc kIAudioEditor2Events =
    com::dispInterface("_IAudioEditor2Events", DIID__IAudioEditor2Events, "AudioEditor2 Events",
                       {com::dispMethod("PlaybackEnded", kPlaybackEndedEvent, {}, "Playback stopped by itself")});

const com::TypeDesc kAudioEditor2Class =
    com::coClass("AudioEditor2", CLSID_AudioEditor2, "AudioEditor2 Class",
                 {{&kIAudioEditor2, IMPLTYPEFLAG_FDEFAULT},
                  {&kIAudioEditor2Events, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}},
                 TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);

const com::TypeLibDesc kLibrary{"ZembraAudioEditor2",
                                LIBID_ZembraAudioEditor2,
                                1,
                                0,
                                "ZembraAudioEditor2 1.0 Type Library",
                                {&kAudioEditor2Class, &kIAudioEditor2, &kIAudioEditor2Events, &kISelection,
                                 &kIWaveInfo, &kISaveFormat, &kIViewPart, &kIColors}};

constexpr DWORD kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
// While playing, the view is redrawn this often so that the play head moves.
constexpr UINT_PTR kPlayHeadTimer = 1;
constexpr UINT kPlayHeadIntervalMs = 50;

extern activex::Module module;

const activex::ControlClass kControlClass{module,
                                          CLSID_AudioEditor2,
                                          kAudioEditor2ProgId,
                                          kAudioEditor2Class,
                                          kIAudioEditor2,
                                          &DIID__IAudioEditor2Events,
                                          kMiscStatus,
                                          {activex::extentWidthEntry(), activex::extentHeightEntry()}};

LONG toLong(int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
VARIANT_BOOL toBool(bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; }

template <class I>
HRESULT handOut(I* object, I** out) {
    if (!out) return E_POINTER;
    object->AddRef();
    *out = object;
    return S_OK;
}

class AudioEditorControl;

// A sub-object lives inside the control and shares its reference count.
template <class I>
class Part : public com::DualDispatch<I> {
public:
    Part(AudioEditorControl& owner, const com::TypeDesc& type) : com::DualDispatch<I>(type), owner_(owner) {}
    HRESULT QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == com::uuidof<I>()) {
            *out = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override;
    ULONG Release() override;

protected:
    AudioEditorControl& owner_;
};

class SelectionPart final : public Part<ISelection> {
public:
    explicit SelectionPart(AudioEditorControl& owner) : Part(owner, kISelection) {}
    HRESULT MsToPosition(LONG ms, LONG* position) override;
    HRESULT PositionToMs(LONG position, LONG* ms) override;
    HRESULT get_SelStart(LONG* position) override;
    HRESULT put_SelStart(LONG position) override;
    HRESULT get_SelEnd(LONG* position) override;
    HRESULT put_SelEnd(LONG position) override;
    HRESULT get_SelectionActive(VARIANT_BOOL* active) override;
    HRESULT put_SelectionActive(VARIANT_BOOL active) override;
    HRESULT get_Length(LONG* frames) override;
    HRESULT get_CurrentPosition(LONG* position) override;
    HRESULT put_CurrentPosition(LONG position) override;
};

class WaveInfoPart final : public Part<IWaveInfo> {
public:
    explicit WaveInfoPart(AudioEditorControl& owner) : Part(owner, kIWaveInfo) {}
    HRESULT get_SampleRate(LONG* rate) override;
};

class SaveFormatPart final : public Part<ISaveFormat> {
public:
    explicit SaveFormatPart(AudioEditorControl& owner) : Part(owner, kISaveFormat) {}
    HRESULT SetFormat(LONG sampleRate, LONG kbps, LONG channels) override;
};

class ViewPart final : public Part<IViewPart> {
public:
    ViewPart(AudioEditorControl& owner, int32_t audio_editor::DisplaySettings::*style)
        : Part(owner, kIViewPart), style_(style) {}
    HRESULT SetStyle(LONG style) override;
    HRESULT get_Style(LONG* style) override;

private:
    int32_t audio_editor::DisplaySettings::*style_;
};

class ColorsPart final : public Part<IColors> {
public:
    explicit ColorsPart(AudioEditorControl& owner) : Part(owner, kIColors) {}
    HRESULT SetWaveColor(ULONG color) override { return set(&audio_editor::DisplaySettings::WaveColor, color); }
    HRESULT SetBackColor(ULONG color) override { return set(&audio_editor::DisplaySettings::BackColor, color); }
    HRESULT SetSelectedWaveColor(ULONG color) override {
        return set(&audio_editor::DisplaySettings::SelectedWaveColor, color);
    }
    HRESULT SetSelectedBackColor(ULONG color) override {
        return set(&audio_editor::DisplaySettings::SelectedBackColor, color);
    }

private:
    HRESULT set(uint32_t audio_editor::DisplaySettings::*slot, ULONG color);
};

class AudioEditorControl final : public activex::Control<IAudioEditor2> {
public:
    static constexpr const CLSID& kClsid = CLSID_AudioEditor2;

    AudioEditorControl() : Control(kControlClass) {
        setExtentPixels(320, 120);
        editor_.setPlaybackEndedHandler([this] { playbackEnded(); });
    }

    // Runs an engine call, turning its failures into automation errors with their message.
    template <class F>
    HRESULT guarded(F&& call) {
        try {
            call();
            return S_OK;
        } catch (const audio_editor::EditorError& e) {
            return reportError(com::toUtf16(e.what()));
        } catch (const std::bad_alloc&) {
            return reportError(u"Out of memory", E_OUTOFMEMORY);
        }
    }
    // After a change of what the view shows.
    void changed() { redrawNow(); }
    audio_editor::Editor& editor() { return editor_; }

    HRESULT OpenFile(BSTR path) override {
        HRESULT hr = guarded([&] { editor_.OpenFile(win32::hostPath(com::toUtf8(com::view(path)).c_str())); });
        changed();
        return hr;
    }
    HRESULT SaveFile(BSTR path, VARIANT_BOOL selectionOnly) override {
        return guarded([&] {
            editor_.SaveFile(win32::hostPath(com::toUtf8(com::view(path)).c_str()), selectionOnly != VARIANT_FALSE);
        });
    }
    HRESULT CloseFile() override {
        HRESULT hr = guarded([&] { editor_.CloseFile(); });
        followPlayHead();
        changed();
        return hr;
    }
    HRESULT Play() override {
        HRESULT hr = guarded([&] { editor_.Play(); });
        followPlayHead();
        changed();
        return hr;
    }
    HRESULT Stop() override {
        HRESULT hr = guarded([&] { editor_.Stop(); });
        followPlayHead();
        changed();
        return hr;
    }
    HRESULT get_PlayState(SHORT* state) override {
        if (!state) return E_POINTER;
        *state = static_cast<SHORT>(editor_.PlayState());
        return S_OK;
    }
    HRESULT CopySelection() override {
        return guarded([&] { editor_.CopySelection(); });
    }
    HRESULT PasteAtPosition() override {
        HRESULT hr = guarded([&] { editor_.PasteAtPosition(); });
        followPlayHead();
        changed();
        return hr;
    }
    HRESULT get_Selection(ISelection** out) override { return handOut<ISelection>(&selection_, out); }
    HRESULT get_WaveInfo(IWaveInfo** out) override { return handOut<IWaveInfo>(&waveInfo_, out); }
    HRESULT get_SaveFormat(ISaveFormat** out) override { return handOut<ISaveFormat>(&saveFormat_, out); }
    HRESULT get_LoopGap(LONG* ms) override {
        if (!ms) return E_POINTER;
        *ms = toLong(editor_.LoopGap());
        return S_OK;
    }
    HRESULT put_LoopGap(LONG ms) override {
        return guarded([&] { editor_.SetLoopGap(ms); });
    }
    HRESULT get_ScrollBarsVisible(VARIANT_BOOL* visible) override {
        if (!visible) return E_POINTER;
        *visible = toBool(editor_.display().ScrollBarsVisible);
        return S_OK;
    }
    HRESULT put_ScrollBarsVisible(VARIANT_BOOL visible) override {
        editor_.display().ScrollBarsVisible = visible != VARIANT_FALSE;
        changed();
        return S_OK;
    }
    HRESULT get_TimeRuler(IViewPart** out) override { return handOut<IViewPart>(&timeRuler_, out); }
    HRESULT get_LevelRuler(IViewPart** out) override { return handOut<IViewPart>(&levelRuler_, out); }
    HRESULT get_Overview(IViewPart** out) override { return handOut<IViewPart>(&overview_, out); }
    HRESULT get_Colors(IColors** out) override { return handOut<IColors>(&colors_, out); }

    HRESULT InPlaceDeactivate() override {
        if (window()) KillTimer(window(), kPlayHeadTimer);
        return ControlBase::InPlaceDeactivate();
    }

protected:
    void onDraw(HDC hdc, const RECT& bounds) override { view_.draw(hdc, bounds, editor_); }

    bool onMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) override {
        if (msg == WM_ERASEBKGND) {
            *result = 1;
            return true;
        }
        if (msg == WM_TIMER && wParam == kPlayHeadTimer) {
            followPlayHead();
            changed();
            *result = 0;
            return true;
        }
        return false;
    }

private:
    // The play head timer runs only while playing and in place.
    void followPlayHead() {
        if (!window()) return;
        if (editor_.PlayState() == 1) SetTimer(window(), kPlayHeadTimer, kPlayHeadIntervalMs, nullptr);
        else KillTimer(window(), kPlayHeadTimer);
    }

    void playbackEnded() {
        com::ComPtr<IDispatch> hold(self());
        followPlayHead();
        changed();
        fireEvent(kPlaybackEndedEvent);
    }

    audio_editor::Editor editor_;
    audio_editor::WaveformView view_;
    SelectionPart selection_{*this};
    WaveInfoPart waveInfo_{*this};
    SaveFormatPart saveFormat_{*this};
    ViewPart timeRuler_{*this, &audio_editor::DisplaySettings::TimeRulerStyle};
    ViewPart levelRuler_{*this, &audio_editor::DisplaySettings::LevelRulerStyle};
    ViewPart overview_{*this, &audio_editor::DisplaySettings::OverviewStyle};
    ColorsPart colors_{*this};
};

template <class I>
ULONG Part<I>::AddRef() {
    return owner_.AddRef();
}
template <class I>
ULONG Part<I>::Release() {
    return owner_.Release();
}

HRESULT SelectionPart::MsToPosition(LONG ms, LONG* position) {
    if (!position) return E_POINTER;
    *position = toLong(owner_.editor().selection().MsToPosition(ms));
    return S_OK;
}
HRESULT SelectionPart::PositionToMs(LONG position, LONG* ms) {
    if (!ms) return E_POINTER;
    *ms = toLong(owner_.editor().selection().PositionToMs(position));
    return S_OK;
}
HRESULT SelectionPart::get_SelStart(LONG* position) {
    if (!position) return E_POINTER;
    *position = toLong(owner_.editor().selection().SelStart());
    return S_OK;
}
HRESULT SelectionPart::put_SelStart(LONG position) {
    owner_.editor().selection().SetSelStart(position);
    owner_.changed();
    return S_OK;
}
HRESULT SelectionPart::get_SelEnd(LONG* position) {
    if (!position) return E_POINTER;
    *position = toLong(owner_.editor().selection().SelEnd());
    return S_OK;
}
HRESULT SelectionPart::put_SelEnd(LONG position) {
    owner_.editor().selection().SetSelEnd(position);
    owner_.changed();
    return S_OK;
}
HRESULT SelectionPart::get_SelectionActive(VARIANT_BOOL* active) {
    if (!active) return E_POINTER;
    *active = toBool(owner_.editor().selection().SelectionActive());
    return S_OK;
}
HRESULT SelectionPart::put_SelectionActive(VARIANT_BOOL active) {
    owner_.editor().selection().SetSelectionActive(active != VARIANT_FALSE);
    owner_.changed();
    return S_OK;
}
HRESULT SelectionPart::get_Length(LONG* frames) {
    if (!frames) return E_POINTER;
    *frames = toLong(owner_.editor().selection().Length());
    return S_OK;
}
HRESULT SelectionPart::get_CurrentPosition(LONG* position) {
    if (!position) return E_POINTER;
    *position = toLong(owner_.editor().selection().CurrentPosition());
    return S_OK;
}
HRESULT SelectionPart::put_CurrentPosition(LONG position) {
    owner_.editor().selection().SetCurrentPosition(position);
    owner_.changed();
    return S_OK;
}

HRESULT WaveInfoPart::get_SampleRate(LONG* rate) {
    if (!rate) return E_POINTER;
    *rate = owner_.editor().waveInfo().SampleRate();
    return S_OK;
}

HRESULT SaveFormatPart::SetFormat(LONG sampleRate, LONG kbps, LONG channels) {
    return owner_.guarded([&] { owner_.editor().saveFormat().SetFormat(sampleRate, kbps, channels); });
}

HRESULT ViewPart::SetStyle(LONG style) {
    owner_.editor().display().*style_ = style;
    owner_.changed();
    return S_OK;
}
HRESULT ViewPart::get_Style(LONG* style) {
    if (!style) return E_POINTER;
    *style = owner_.editor().display().*style_;
    return S_OK;
}

HRESULT ColorsPart::set(uint32_t audio_editor::DisplaySettings::*slot, ULONG color) {
    COLORREF resolved = 0;
    if (FAILED(OleTranslateColor(color, nullptr, &resolved)))
        return owner_.guarded([] { throw audio_editor::EditorError("Invalid colour value"); });
    owner_.editor().display().*slot = resolved;
    owner_.changed();
    return S_OK;
}

activex::RegistryScript controlScript() {
    activex::ControlRegistration r;
    r.clsid = com::formatGuid(CLSID_AudioEditor2);
    r.className = "AudioEditor2 Class";
    r.progId = kAudioEditor2ProgId;
    r.independentProgId = kAudioEditor2IndependentProgId;
    r.appId = kAudioEditor2AppId;
    r.miscStatus = kMiscStatus;
    r.typeLib = com::formatGuid(LIBID_ZembraAudioEditor2);
    r.version = "1.0";
    return activex::controlScript(r);
}

activex::Module module(&kLibrary, {activex::classEntry<AudioEditorControl>(controlScript())},
                       {activex::appIdScript(kAudioEditor2AppId, "ZembraAudioEditor2", kAudioEditor2Library)});

}  // namespace

ACTIVEX_SERVER_ENTRY_POINTS(module)
