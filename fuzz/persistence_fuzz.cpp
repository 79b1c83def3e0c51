// The persistence streams of every control: the two payment controls and the twelve audio
// controls. Any bytes load into a fresh control or are refused, and what a control saves loads
// into another control that then saves the same bytes.

#include <iterator>
#include <string>

#include "amp_bar/interface.h"
#include "band_sliders/interface.h"
#include "bitmap_slider/interface.h"
#include "card_control/control/interface.h"
#include "flat_button/interface.h"
#include "flat_slider/interface.h"
#include "position_slider/interface.h"
#include "step_knob/interface.h"
#include "time_display/interface.h"
#include "transport_bar/interface.h"
#include "transport_cluster/interface.h"
#include "volume_knob/interface.h"
#include "volume_wedge/interface.h"
#include "com/com.h"
#include "express_checkout/interface.h"
#include "fuzz/fuzz_check.h"
#include "win32/module.h"

namespace {

const CLSID kControls[] = {
    corvisk::CLSID_Corvisk,
    express_checkout::CLSID_ExpressCheckout,
    sondrel::CLSID_AudioAmpBarType1,
    sondrel::CLSID_AudioFlatButton,
    sondrel::CLSID_AudioFlatSlider,
    sondrel::CLSID_AudioPlayButtonType1,
    sondrel::CLSID_AudioPlayButtonType2,
    sondrel::CLSID_AudioSliderType1,
    sondrel::CLSID_AudioSliderType2,
    sondrel::CLSID_AudioSlidersBands,
    sondrel::CLSID_AudioStepButtonType1,
    sondrel::CLSID_AudioTimeDisplayType1,
    sondrel::CLSID_AudioVolumeButtonType1,
    sondrel::CLSID_AudioVolumeButtonType2,
};

com::ComPtr<IStream> streamOf(const std::string& bytes) {
    com::ComPtr<IStream> stream;
    FUZZ_CHECK(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()) == S_OK);
    ULONG written = 0;
    FUZZ_CHECK(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written) == S_OK);
    LARGE_INTEGER start{};
    FUZZ_CHECK(stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK);
    return stream;
}

std::string bytesOf(IStream* stream) {
    LARGE_INTEGER start{};
    FUZZ_CHECK(stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK);
    std::string out;
    char block[4096];
    for (;;) {
        ULONG read = 0;
        FUZZ_CHECK(SUCCEEDED(stream->Read(block, sizeof block, &read)));
        if (read == 0) return out;
        out.append(block, read);
    }
}

com::ComPtr<IPersistStreamInit> create(REFCLSID clsid) {
    com::ComPtr<IPersistStreamInit> persist;
    FUZZ_CHECK(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStreamInit, persist.putVoid()) ==
               S_OK);
    FUZZ_CHECK(persist->InitNew() == S_OK);
    return persist;
}

std::string saved(IPersistStreamInit* persist) {
    com::ComPtr<IStream> stream;
    FUZZ_CHECK(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()) == S_OK);
    FUZZ_CHECK(persist->Save(stream.get(), TRUE) == S_OK);
    return bytesOf(stream.get());
}

void registerLibrary(const char* path) {
    HMODULE module = LoadLibraryA(path);
    FUZZ_CHECK(module != nullptr);
    auto registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    FUZZ_CHECK(registerServer && registerServer() == S_OK);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    registerLibrary(CORVISK_PATH);
    registerLibrary(PELLORAN_PATH);
    registerLibrary(SONDREL_PATH);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const CLSID& clsid = kControls[data[0] % std::size(kControls)];
    const std::string bytes(fuzz::bytes(data + 1, size - 1));
    com::ComPtr<IPersistStreamInit> first = create(clsid);
    com::ComPtr<IStream> in = streamOf(bytes);
    if (first->Load(in.get()) != S_OK) return 0;
    const std::string once = saved(first.get());
    com::ComPtr<IPersistStreamInit> second = create(clsid);
    com::ComPtr<IStream> again = streamOf(once);
    FUZZ_CHECK(second->Load(again.get()) == S_OK);
    FUZZ_CHECK(saved(second.get()) == once);
    return 0;
}
