// Registers the embedded stream of the main window as the raw-data resource "TMAINFORM" when
// the program starts.
#include <cstdint>
#include <span>

#include "toolkit/streams.h"

extern "C" const std::uint8_t marvosk_tmainform_begin[];
extern "C" const std::uint8_t marvosk_tmainform_end[];

namespace {
[[maybe_unused]] const bool kRegistered =
    (RegisterResource(
         "TMAINFORM", RT_RCDATA,
         std::span<const std::uint8_t>(marvosk_tmainform_begin, marvosk_tmainform_end)),
     true);
}  // namespace
