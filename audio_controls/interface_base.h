#pragma once
// What every control's interface builds on. The animated interfaces start with the hidden
// _OnTimer, which the animation thread calls.

#include "com/olecolor.h"
#include "com/typeinfo.h"

struct IAnimationTarget : IDispatch {
    virtual HRESULT _OnTimer() = 0;
};

namespace sondrel {

// OLE_COLOR in the type tables (a put takes com::colorParam, which keeps a long's bit pattern).
constexpr VARTYPE kColorType = VT_UI4;
// The first member of every animated interface, hidden from browsers; some classes also keep it
// from macro languages.
enum class OnTimerUse { Hidden, HiddenAndRestricted };
com::MemberDesc onTimerMember(OnTimerUse use);

}  // namespace sondrel
