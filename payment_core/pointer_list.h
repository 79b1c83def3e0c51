#pragma once
// An owning array of MIME part records kept in one growable string buffer.

#include "payment_core/inline_string.h"
#include "payment_core/mime_part.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class PointerList {
public:
    PointerList() = default;
    ~PointerList() { clear(); }
    PointerList(const PointerList&) = delete;
    PointerList& operator=(const PointerList&) = delete;

    void init();
    void clear();
    // Growing creates empty parts; when any cannot be made the list is left as it was (200).
    int resize(int n);

    int count() const { return count_; }
    MimePart* get(int i) const;

private:
    MimePart* slot(int i) const;
    void store(int i, MimePart* part);
    static MimePart* createPart();
    static void destroyPart(MimePart* part);

    int count_ = 0;
    InlineString99 storage_;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
