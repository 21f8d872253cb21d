#include "platform/system/clock.h"

#include "platform/system/state.h"

namespace platform {

std::uint32_t timeGetTime() { return detail::M().backend->Milliseconds(); }

void MessageBeep() { detail::M().backend->Beep(); }

}  // namespace platform
