// Any bytes as a stored wave image: loading ends in a wave or in its documented error, never
// in a read outside the stream; a wave that loaded writes an image that reads back the same.
#include <cstdint>
#include <cstring>

#include "sound/wave.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TOwnedPtr<TMemoryStream> in(new TMemoryStream());
  if (size) in->WriteBuffer(data, static_cast<std::int64_t>(size));
  in->SetPosition(0);
  TOwnedPtr<TWave> wave(new TWave());
  try {
    wave->LoadFromStream(*in);
  } catch (const EReadError&) {
    return 0;
  } catch (const EWaveStreamError&) {
    return 0;
  }
  if (wave->Size() > static_cast<std::int32_t>(size)) __builtin_trap();

  TOwnedPtr<TMemoryStream> out(new TMemoryStream());
  wave->SaveToStream(*out);
  if (wave->Size() == 0 || wave->FormatSize() == 0) return 0;
  out->SetPosition(0);
  TOwnedPtr<TWave> again(new TWave());
  again->LoadFromStream(*out);
  if (again->Size() != wave->Size() || again->FormatSize() != wave->FormatSize() ||
      std::memcmp(again->Data(), wave->Data(), static_cast<std::size_t>(wave->Size())) != 0 ||
      std::memcmp(again->Format(), wave->Format(), static_cast<std::size_t>(wave->FormatSize())) !=
          0)
    __builtin_trap();
  return 0;
}
