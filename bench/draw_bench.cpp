// A frame like the game's, drawn on the software drawing service: clear, an opaque 640 x 480
// background, ten colour-keyed pictures of 70 x 90 (some cut at the edges) and three short
// texts, at 16 and 32 bits. Measured against one memset plus one memcpy of a frame of the same
// depth, and against SDL2's own software blitter doing the same fill and copies.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/ratio.h"
#include "display/directdraw.h"
#include "display/surface.h"
#include "platform/backend/headless/headless.h"
#include "platform/ddraw/service.h"
#include "platform/system/machine.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kSpriteWidth = 70, kSpriteHeight = 90;
// Where the ten pictures go: some inside, some cut at each edge.
constexpr int kPlaces[10][2] = {{-30, 40},  {600, 100}, {200, -50}, {320, 430}, {100, 200},
                                {250, 250}, {400, 150}, {500, 300}, {30, 380},  {450, 20}};

std::uint32_t Pattern(int x, int y) { return std::uint32_t((x * 13 + y * 7) & 0x7FFF) | 0x21; }

struct Scene {
  TDirectDraw* dd = nullptr;
  TDirectDrawSurface* frame = nullptr;
  TDirectDrawSurface* background = nullptr;
  TDirectDrawSurface* sprite = nullptr;

  explicit Scene(int bits) {
    platform::headless::Install();
    ddraw::RegisterService();
    dd = Construct<TDirectDraw>(nullptr, false);
    dd->IDraw()->SetDisplayMode(kWidth, kHeight, DWORD(bits));
    frame = Construct<TDirectDrawSurface>(dd);
    frame->SetSize(kWidth, kHeight);
    background = Construct<TDirectDrawSurface>(dd);
    background->SetSize(kWidth, kHeight);
    sprite = Construct<TDirectDrawSurface>(dd);
    sprite->SetSize(kSpriteWidth, kSpriteHeight);
    Paint(background, kWidth, kHeight, false);
    Paint(sprite, kSpriteWidth, kSpriteHeight, true);
    TDirectDrawSurfaceCanvas* canvas = frame->Canvas();
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->SetName("Comic Sans MS");
    canvas->Font()->SetHeight(-16);
    canvas->Font()->SetColor(clYellow);
  }
  ~Scene() {
    dd->Free();
    platform::UninstallBackend();
  }
  static void Paint(TDirectDrawSurface* s, int w, int h, bool holes) {
    DDSURFACEDESC d;
    s->Lock(d);
    const int bytes = s->BitCount() / 8;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t v =
            holes && ((x - 35) * (x - 35) + (y - 45) * (y - 45) > 1200) ? 0 : Pattern(x, y);
        std::memcpy(static_cast<std::uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &v, bytes);
      }
    s->UnLock();
  }
  void Frame() {
    frame->Fill(0);
    frame->Draw(0, 0, background, false);
    for (const auto& p : kPlaces) frame->Draw(p[0], p[1], sprite, true);
    TDirectDrawSurfaceCanvas* canvas = frame->Canvas();
    canvas->TextOut(10, 5, "Score: 1250");
    canvas->TextOut(480, 5, "Remaining: 17");
    canvas->TextOut(300, 240, "50");
    canvas->Release();
  }
};

void BM_Frame(benchmark::State& state) {
  Scene scene(static_cast<int>(state.range(0)));
  scene.Frame();
  if (scene.frame->DXResult() != DD_OK) state.SkipWithError("the frame was not drawn");
  for (auto _ : state) {
    scene.Frame();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Frame)->Arg(16)->Arg(32);

// The least a frame costs: clearing it and copying one whole picture into it.
void BM_MemsetMemcpy(benchmark::State& state) {
  const std::size_t bytes = std::size_t(kWidth) * kHeight * std::size_t(state.range(0) / 8);
  std::vector<std::uint8_t> frame(bytes), background(bytes, 0x5A);
  for (auto _ : state) {
    std::memset(frame.data(), 0, bytes);
    std::memcpy(frame.data(), background.data(), bytes);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemsetMemcpy)->Arg(16)->Arg(32);

// SDL2's software blitter doing the fill and the copies.
void BM_SDLPeer(benchmark::State& state) {
  const Uint32 format = state.range(0) == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
  const int bits = static_cast<int>(state.range(0));
  SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, bits, format);
  SDL_Surface* background = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, bits, format);
  SDL_Surface* sprite =
      SDL_CreateRGBSurfaceWithFormat(0, kSpriteWidth, kSpriteHeight, bits, format);
  if (!frame || !background || !sprite) {
    state.SkipWithError("SDL cannot make surfaces");
    return;
  }
  auto paint = [bits](SDL_Surface* s, bool holes) {
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
      for (int x = 0; x < s->w; ++x) {
        const std::uint32_t v =
            holes && ((x - 35) * (x - 35) + (y - 45) * (y - 45) > 1200) ? 0 : Pattern(x, y);
        std::memcpy(static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * (bits / 8), &v,
                    bits / 8);
      }
    SDL_UnlockSurface(s);
  };
  paint(background, false);
  paint(sprite, true);
  SDL_SetColorKey(sprite, SDL_TRUE, 0);
  for (auto _ : state) {
    SDL_FillRect(frame, nullptr, 0);
    SDL_BlitSurface(background, nullptr, frame, nullptr);
    for (const auto& p : kPlaces) {
      SDL_Rect at{p[0], p[1], kSpriteWidth, kSpriteHeight};
      SDL_BlitSurface(sprite, nullptr, frame, &at);
    }
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(sprite);
  SDL_FreeSurface(background);
  SDL_FreeSurface(frame);
}
BENCHMARK(BM_SDLPeer)->Arg(16)->Arg(32);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunAndReport(argc, argv, [](const bench::Timings& t) {
    for (const char* bits : {"16", "32"}) {
      const std::string frame = std::string("BM_Frame/") + bits;
      bench::PrintRatio(t, std::string("frame") + bits + "_vs_memset_memcpy", frame,
                        std::string("BM_MemsetMemcpy/") + bits, 2.0);
      bench::PrintRatio(t, std::string("frame") + bits + "_vs_sdl2_blitter", frame,
                        std::string("BM_SDLPeer/") + bits, 0.6);
    }
  });
}
