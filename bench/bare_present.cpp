// The least a program can do to show a moving 640x480 picture through SDL2: one window, one
// streaming texture in the screen's 32-bit layout, and each frame one upload of the whole frame,
// one copy to the window and one present with vertical-blank waiting, at a fixed rate. It is the
// peer that bench_viewer and bench_game_desktop measure the viewer and the game against.
//   bare_present SECONDS FRAME_MS
//   bare_present --first-frame
// With --first-frame it presents one frame, prints "first frame SECONDS" on stderr (SECONDS read
// from CLOCK_MONOTONIC, as the game does with MARVOSK_FIRST_FRAME_EXIT set) and ends at once.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

int main(int argc, char** argv) {
  const bool firstFrame = argc == 2 && std::strcmp(argv[1], "--first-frame") == 0;
  if (argc != 3 && !firstFrame) {
    std::fputs("usage: bare_present SECONDS FRAME_MS | bare_present --first-frame\n", stderr);
    return 2;
  }
  const auto runMs = firstFrame ? 0u : static_cast<std::uint32_t>(std::atof(argv[1]) * 1000);
  const auto frameMs = firstFrame ? 0u : static_cast<std::uint32_t>(std::atoi(argv[2]));
  constexpr int kWidth = 640, kHeight = 480;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bare_present: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("bare present", SDL_WINDOWPOS_CENTERED,
                                        SDL_WINDOWPOS_CENTERED, kWidth, kHeight, SDL_WINDOW_SHOWN);
  SDL_Renderer* renderer =
      window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC) : nullptr;
  SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                      SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight)
                                  : nullptr;
  if (!texture) {
    std::fprintf(stderr, "bare_present: %s\n", SDL_GetError());
    return 1;
  }
  std::vector<std::uint32_t> frame(std::size_t(kWidth) * kHeight, 0x204060);
  const std::uint32_t start = SDL_GetTicks();
  std::uint32_t next = start;
  int frames = 0;
  for (bool running = true; running && (firstFrame || SDL_GetTicks() - start < runMs);) {
    SDL_Event event;
    while (SDL_PollEvent(&event))
      if (event.type == SDL_QUIT) running = false;
    // A band that moves down the picture, so that every frame differs from the one before.
    const int band = frames % kHeight;
    for (int x = 0; x < kWidth; ++x) frame[std::size_t(band) * kWidth + std::size_t(x)] ^= 0xFFFFFF;
    SDL_UpdateTexture(texture, nullptr, frame.data(), kWidth * 4);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    if (firstFrame) {
      timespec t{};
      clock_gettime(CLOCK_MONOTONIC, &t);
      std::fprintf(stderr, "first frame %lld.%09ld\n", static_cast<long long>(t.tv_sec), t.tv_nsec);
      std::fflush(stderr);
      std::_Exit(0);
    }
    ++frames;
    next += frameMs;
    const std::uint32_t now = SDL_GetTicks();
    if (static_cast<std::int32_t>(next - now) > 0) SDL_Delay(next - now);
  }
  std::printf("frames %d\n", frames);
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
