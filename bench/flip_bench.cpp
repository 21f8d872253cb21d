// Presenting a finished 640x480 frame on the headless machine, as the display device does each
// frame: in window mode one blit from the back buffer into the screen through the window's
// clipper, and in full screen one flip of a two-buffer chain; each time the machine takes the
// frame as a desktop would. Measured against one memcpy of a frame of the same depth.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/ratio.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"
#include "platform/system/modules.h"
#include "platform/system/windows.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Desktop {
  Desktop() {
    platform::headless::Install();
    ddraw::RegisterService();
    auto create = reinterpret_cast<DirectDrawCreateProc>(
        platform::GetProcAddress(platform::LoadLibrary("DDraw.dll"), "DirectDrawCreate"));
    create(nullptr, dd.Put(), nullptr);
    window = platform::CreateWindowEx(0, "bench", platform::WS_CAPTION | platform::WS_VISIBLE, 100,
                                      100, kWidth, kHeight, 0, platform::DefWindowProc, nullptr);
  }
  ~Desktop() {
    dd.Reset();
    platform::UninstallBackend();
  }
  ComPtr<IDirectDrawSurface> Make(DWORD flags, DWORD caps, int w = 0, int h = 0) {
    DDSURFACEDESC desc;
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = flags;
    desc.dwWidth = DWORD(w);
    desc.dwHeight = DWORD(h);
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps = caps;
    ComPtr<IDirectDrawSurface> s;
    dd->CreateSurface(&desc, s.Put(), nullptr);
    return s;
  }
  ComPtr<IDirectDraw> dd;
  platform::HWND window = 0;
};

void MemcpyFrame(benchmark::State& state, int bytesPerPixel) {
  const std::size_t size = std::size_t(kWidth) * kHeight * std::size_t(bytesPerPixel);
  std::vector<std::uint8_t> from(size, 7), to(size);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), size);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
void BM_Memcpy16(benchmark::State& state) { MemcpyFrame(state, 2); }
void BM_Memcpy32(benchmark::State& state) { MemcpyFrame(state, 4); }
BENCHMARK(BM_Memcpy16);
BENCHMARK(BM_Memcpy32);

// Window mode on a 32-bit desktop: the back buffer blitted to the window's place on the screen.
void BM_WindowFlip(benchmark::State& state) {
  Desktop d;
  d.dd->SetCooperativeLevel(d.window, DDSCL_NORMAL);
  auto primary = d.Make(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
  ComPtr<IDirectDrawClipper> clipper;
  d.dd->CreateClipper(0, clipper.Put(), nullptr);
  clipper->SetHWnd(0, d.window);
  primary->SetClipper(clipper.Get());
  auto back = d.Make(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, kWidth, kHeight);
  const RECT place{100, 100, 100 + kWidth, 100 + kHeight};
  for (auto _ : state) {
    d.dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    if (primary->Blt(&place, back.Get(), nullptr, DDBLT_WAIT, nullptr) != DD_OK)
      state.SkipWithError("the blit failed");
  }
}
BENCHMARK(BM_WindowFlip);

// Full screen at 640x480x16: the chain flipped.
void BM_FullScreenFlip(benchmark::State& state) {
  Desktop d;
  d.dd->SetCooperativeLevel(d.window, 0x1051);
  d.dd->SetDisplayMode(kWidth, kHeight, 16);
  auto front = d.Make(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
  for (auto _ : state)
    if (front->Flip(nullptr, DDFLIP_WAIT) != DD_OK) state.SkipWithError("the flip failed");
}
BENCHMARK(BM_FullScreenFlip);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    bench::PrintRatio(t, "flip_window_vs_memcpy", "BM_WindowFlip", "BM_Memcpy32", 2);
    bench::PrintRatio(t, "flip_fullscreen_vs_memcpy", "BM_FullScreenFlip", "BM_Memcpy16", 2);
  });
}
