// The payment controls' persistence streams: any bytes load into a fresh control or are
// refused, and what a control saves loads into another control that then saves the same
// bytes.

#include <string>

#include "card_control/control/interface.h"
#include "com/com.h"
#include "express_checkout/interface.h"
#include "fuzz/fuzz_check.h"
#include "win32/module.h"

namespace {

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
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const CLSID& clsid = data[0] & 1 ? express_checkout::CLSID_ExpressCheckout : corvisk::CLSID_Corvisk;
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
