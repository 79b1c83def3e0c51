#include "com/storage.h"

#include "com/object.h"

#include <atomic>
#include <memory>
#include <vector>

namespace {

// Clones share the bytes and keep their own position.
class MemoryStream final : public com::SingleInterfaceObject<IStream> {
public:
    explicit MemoryStream(std::shared_ptr<std::vector<BYTE>> bytes) : bytes_(std::move(bytes)) {}

    HRESULT Read(void* data, ULONG size, ULONG* read) override {
        if (!data && size) return STG_E_INVALIDPOINTER;
        std::vector<BYTE>& b = *bytes_;
        ULONG n = position_ >= b.size() ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(size, b.size() - position_));
        if (n) std::memcpy(data, b.data() + position_, n);
        position_ += n;
        if (read) *read = n;
        return n < size ? S_FALSE : S_OK;
    }
    HRESULT Write(const void* data, ULONG size, ULONG* written) override {
        if (!data && size) return STG_E_INVALIDPOINTER;
        std::vector<BYTE>& b = *bytes_;
        if (position_ + size > b.size()) b.resize(position_ + size);
        if (size) std::memcpy(b.data() + position_, data, size);
        position_ += size;
        if (written) *written = size;
        return S_OK;
    }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        LONGLONG base;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
            case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_->size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        LONGLONG to = base + move.QuadPart;
        if (to < 0) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<ULONGLONG>(to);
        if (position) position->QuadPart = position_;
        return S_OK;
    }
    HRESULT SetSize(ULARGE_INTEGER size) override {
        bytes_->resize(size.QuadPart);
        return S_OK;
    }
    HRESULT CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override {
        if (!target) return STG_E_INVALIDPOINTER;
        std::vector<BYTE>& b = *bytes_;
        ULONGLONG n = position_ >= b.size() ? 0 : std::min<ULONGLONG>(size.QuadPart, b.size() - position_);
        ULONG done = 0;
        HRESULT hr = n ? target->Write(b.data() + position_, static_cast<ULONG>(n), &done) : S_OK;
        position_ += n;
        if (read) read->QuadPart = n;
        if (written) written->QuadPart = done;
        return hr;
    }
    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        std::memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_->size();
        stat->grfMode = STGM_READWRITE;
        return S_OK;
    }
    HRESULT Clone(IStream** clone) override {
        if (!clone) return STG_E_INVALIDPOINTER;
        auto* c = new MemoryStream(bytes_);
        c->position_ = position_;
        *clone = c;
        return S_OK;
    }

private:
    bool offers(REFIID riid) const override { return riid == IID_IStream || riid == IID_ISequentialStream; }

    std::shared_ptr<std::vector<BYTE>> bytes_;
    ULONGLONG position_ = 0;
};

}  // namespace

namespace com::detail {
IStream* streamOver(std::shared_ptr<std::vector<BYTE>> bytes) { return new MemoryStream(std::move(bytes)); }
}  // namespace com::detail

HRESULT CreateStreamOnHGlobal(HGLOBAL global, BOOL, IStream** stream) {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    if (global) return E_INVALIDARG;
    *stream = new MemoryStream(std::make_shared<std::vector<BYTE>>());
    return S_OK;
}
