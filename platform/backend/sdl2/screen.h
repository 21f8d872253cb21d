// What one window shows: an SDL renderer with a texture that holds the picture shown (the
// window's client area, or in full screen the emulated screen), each presentation written into
// it where its target lies, in the frame's own pixel format where SDL has one (8-bit frames are
// turned into 32 bits through their palette); and the window's full-screen state with its
// viewport. Where the renderer can draw into textures, the picture of a framed window can be
// read back from its texture.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/backend/viewport.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace platform::sdl2 {

class Screen {
 public:
  explicit Screen(SDL_Window* window) : FWindow(window) {}
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  ~Screen();

  // Makes the renderer now. SDL may make the window anew for its renderer (a new X window), so
  // this is done while the window is still hidden, before anyone knows it.
  bool MakeRenderer();
  void Present(const FrameView& frame, const RECT& source, const RECT& target, bool waitVBlank);
  // Shows the last frame again (the window was uncovered).
  void Redraw();
  // Whether ReadShown can answer: a framed window whose renderer reads textures back.
  bool ReadsShown();
  // Reads the `rect` of the picture shown into `into`, in its format; false when the picture
  // does not hold all of it in that format.
  bool ReadShown(const RECT& rect, const FrameTarget& into);

  void SetFullScreen(bool on, int width, int height);
  bool FullScreen() const { return FFullScreen; }
  // Full screen: the emulated screen's rectangle (0, 0, width, height).
  RECT EmulatedRect() const { return RECT{0, 0, FEmulatedWidth, FEmulatedHeight}; }
  // Full screen: a position in the window's pixels as a position on the emulated screen.
  POINT ToEmulated(int x, int y);

 private:
  // The size of the picture shown, in the coordinates of the presentations' targets.
  void ShownSize(int& width, int& height) const;
  bool MakeTexture(const FrameView& frame);
  // Writes the source rectangle of the frame into the texture with its top-left corner at
  // `target`, as far as the texture reaches.
  void Upload(const FrameView& frame, const RECT& source, POINT target);
  void Render();
  Viewport CurrentViewport();

  SDL_Window* FWindow;
  SDL_Renderer* FRenderer = nullptr;
  SDL_Texture* FTexture = nullptr;
  std::uint32_t FTextureFormat = 0;
  bool FTextureReadable = false;  // made as a render target, so its pixels can be read back
  int FTextureWidth = 0, FTextureHeight = 0;
  int FVSync = -1;                        // as last set on the renderer; -1 before
  std::vector<std::uint32_t> FConverted;  // 8-bit rows through the palette
  bool FShown = false;                    // something was presented
  bool FFullScreen = false;
  int FEmulatedWidth = 0, FEmulatedHeight = 0;
  struct {
    int x = 0, y = 0, w = 0, h = 0;
  } FWindowed;  // where the window was before full screen
};

}  // namespace platform::sdl2
