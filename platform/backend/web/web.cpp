#include "platform/backend/web/web.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend/desktop.h"
#include "platform/backend/headless/headless.h"
#include "platform/backend/web/translation.h"
#include "platform/system/machine.h"

// The page's side: JavaScript run in the page (index.html makes the elements it uses). Strings
// are in double quotes: the preprocessor reads this code too.
// clang-format off

// Whether the page has the canvas and its frame ("#screen" inside "#page").
EM_JS(int, marvosk_page_ready, (), {
  return document.getElementById("screen") && document.getElementById("page") ? 1 : 0;
});

// Listens to the page for the program: pointer and keys on the page, its focus and visibility,
// its size, and the full-screen button. Every event goes to the program through the exported
// marvosk_page_* functions and then wakes a waiting program.
EM_JS(void, marvosk_page_attach, (), {
  var page = document.getElementById("page");
  var canvas = document.getElementById("screen");
  var wake = function() { if (Module.marvoskWake) Module.marvoskWake(); };
  var startAudio = function() {
    var audio = Module.marvoskAudio;
    if (audio && audio.context.state !== "running") audio.context.resume();
  };
  var ratio = function() { return window.devicePixelRatio || 1; };
  var pointer = function(kind) {
    return function(e) {
      if (e.target && e.target.closest && e.target.closest("button")) return;
      if (kind === 1) {
        startAudio();
        if (page.setPointerCapture) page.setPointerCapture(e.pointerId);
      }
      e.preventDefault();
      Module._marvosk_page_pointer(kind, e.button, e.detail || 1, e.buttons, e.shiftKey ? 1 : 0,
                                   e.ctrlKey ? 1 : 0, e.clientX * ratio(), e.clientY * ratio());
      wake();
    };
  };
  var key = function(down) {
    return function(e) {
      if (down) startAudio();
      var code = e.code || "";
      var length = lengthBytesUTF8(code) + 1;
      var text = _malloc(length);
      stringToUTF8(code, text, length);
      // Alt is down once the event has happened: a release of Alt itself leaves it up.
      var mine = Module._marvosk_page_key(text, down ? 1 : 0, e.repeat ? 1 : 0, e.altKey ? 1 : 0);
      _free(text);
      if (mine) e.preventDefault();
      wake();
    };
  };
  var focus = function() {
    var focused = document.visibilityState === "visible" && document.hasFocus();
    Module._marvosk_page_focus(focused ? 1 : 0);
    wake();
  };
  var layout = function() {
    Module._marvosk_page_layout(Math.round(page.clientWidth * ratio()),
                                Math.round(page.clientHeight * ratio()));
  };
  var handlers = [
    [page, "pointermove", pointer(0)], [page, "pointerdown", pointer(1)],
    [page, "pointerup", pointer(2)], [page, "contextmenu", function(e) { e.preventDefault(); }],
    [window, "keydown", key(true)], [window, "keyup", key(false)],
    [document, "visibilitychange", focus], [window, "focus", focus], [window, "blur", focus],
    [window, "resize", layout], [document, "fullscreenchange", function() {
      layout();
      if (!document.fullscreenElement) {
        Module._marvosk_page_left_full_screen();
        wake();
      }
    }]
  ];
  var button = document.getElementById("fullscreen");
  if (button) handlers.push([button, "click", function(e) {
    e.preventDefault();
    startAudio();
    Module._marvosk_page_switch_screen();
    wake();
  }]);
  handlers.forEach(function(h) { h[0].addEventListener(h[1], h[2]); });
  Module.marvoskHandlers = handlers;
  Module.marvoskLayout = layout;
  Module.marvoskCanvas = canvas;
  Module.marvoskContext = canvas.getContext("2d");
});

// Tells the program the page's size now.
EM_JS(void, marvosk_page_measure, (), { if (Module.marvoskLayout) Module.marvoskLayout(); });

EM_JS(void, marvosk_page_detach, (), {
  (Module.marvoskHandlers || []).forEach(function(h) { h[0].removeEventListener(h[1], h[2]); });
  Module.marvoskHandlers = [];
});

// Lets the browser run until the page wakes the program or `ms` milliseconds pass (never, for
// a negative `ms`).
EM_JS(void, marvosk_page_sleep, (double ms), {
  Asyncify.handleSleep(function(wakeUp) {
    var timer = null;
    var done = false;
    var finish = function() {
      if (done) return;
      done = true;
      Module.marvoskWake = null;
      if (timer !== null) clearTimeout(timer);
      wakeUp();
    };
    if (ms >= 0) timer = setTimeout(finish, ms);
    Module.marvoskWake = finish;
  });
});

// Puts the (x, y, w, h) part of the RGBA picture of width x height at `rgba` on the canvas.
EM_JS(void, marvosk_page_show, (const void* rgba, int width, int height, int x, int y, int w,
                                int h), {
  var canvas = Module.marvoskCanvas;
  if (canvas.width !== width || canvas.height !== height) {
    canvas.width = width;
    canvas.height = height;
  }
  var image = Module.marvoskImage;
  if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba ||
      image.width !== width || image.height !== height) {
    image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width,
                          height);
    Module.marvoskImage = image;
  }
  Module.marvoskContext.putImageData(image, 0, 0, x, y, w, h);
  // For the page's tests and measurements: frames shown, and when the first one was.
  if (!Module.marvoskFrames) Module.marvoskFirstFrame = performance.now();
  Module.marvoskFrames = (Module.marvoskFrames || 0) + 1;
});

// Places the canvas on the page, in device pixels.
EM_JS(void, marvosk_page_place, (int x, int y, int w, int h), {
  var ratio = window.devicePixelRatio || 1;
  var style = Module.marvoskCanvas.style;
  style.left = (x / ratio) + "px";
  style.top = (y / ratio) + "px";
  style.width = (w / ratio) + "px";
  style.height = (h / ratio) + "px";
});

EM_JS(void, marvosk_page_full_screen, (int on), {
  var page = document.getElementById("page");
  if (on && !document.fullscreenElement && page.requestFullscreen)
    page.requestFullscreen().catch(function() {});
  if (!on && document.fullscreenElement) document.exitFullscreen().catch(function() {});
});

EM_JS(void, marvosk_page_title, (const char* title), { document.title = UTF8ToString(title); });

EM_JS(void, marvosk_page_cursor, (int visible), {
  document.getElementById("page").style.cursor = visible ? "default" : "none";
});

// Starts Web Audio with a processor that pulls `frames` frames at a time from the program;
// answers its rate, or 0 when the page has no Web Audio.
EM_JS(int, marvosk_page_open_audio, (int frames), {
  var Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) return 0;
  try {
    var context = new Context();
    var node = context.createScriptProcessor(frames, 0, 2);
    node.onaudioprocess = function(e) {
      var left = e.outputBuffer.getChannelData(0);
      var right = e.outputBuffer.getChannelData(1);
      var n = left.length;
      var at = Module._marvosk_page_mix(n) >> 1;
      var peak = 0;
      for (var i = 0; i < n; i++) {
        var l = HEAP16[at + 2 * i], r = HEAP16[at + 2 * i + 1];
        left[i] = l / 32768;
        right[i] = r / 32768;
        peak = Math.max(peak, Math.abs(l), Math.abs(r));
      }
      // For the page's tests: the loudest sample played, and how many blocks were.
      Module.marvoskPeak = Math.max(Module.marvoskPeak || 0, peak);
      Module.marvoskBlocks = (Module.marvoskBlocks || 0) + 1;
    };
    node.connect(context.destination);
    Module.marvoskAudio = {context: context, node: node};
    return context.sampleRate | 0;
  } catch (e) {
    return 0;
  }
});

EM_JS(void, marvosk_page_close_audio, (), {
  var audio = Module.marvoskAudio;
  if (!audio) return;
  audio.node.onaudioprocess = null;
  audio.node.disconnect();
  audio.context.close();
  Module.marvoskAudio = null;
});

// A page that plays a script instead of a person: Module.marvoskScript holds its steps as
// [at, kind, x, y, key, alt], kind 0 move, 1 click, 2 key, 3 frame, 4 end. The number of steps,
// or -1 for a page played by a person.
EM_JS(int, marvosk_page_script_length, (), {
  return Array.isArray(Module.marvoskScript) ? Module.marvoskScript.length : -1;
});

EM_JS(void, marvosk_page_script_step, (int index, int* values), {
  var step = Module.marvoskScript[index];
  for (var i = 0; i < 6; i++) HEAP32[(values >> 2) + i] = step[i] | 0;
});

// Keeps a copy of the canvas's pixels for the script's step `index`.
EM_JS(void, marvosk_page_capture, (int index), {
  var canvas = Module.marvoskCanvas;
  var data = Module.marvoskContext.getImageData(0, 0, canvas.width, canvas.height).data;
  Module.marvoskCaptures = Module.marvoskCaptures || {};
  Module.marvoskCaptures[index] = {width: canvas.width, height: canvas.height,
                                   rgba: new Uint8Array(data)};
});

// The script has ended: keeps the sound mixed so far and says so.
EM_JS(void, marvosk_page_script_done, (const void* samples, int count), {
  Module.marvoskSound = new Int16Array(HEAP16.subarray(samples >> 1, (samples >> 1) + count));
  Module.marvoskScriptDone = true;
});

// clang-format on

namespace platform::web {

namespace {

constexpr RECT kScreen{0, 0, 1024, 768};
constexpr int kAudioBlockFrames = 512;  // about 11 ms at 48 kHz; the page asks for 2 at most

struct WindowRecord {
  WindowSpec spec;
  bool visible = false;
  bool fullScreen = false;
  RECT windowed{};  // full screen: where the client area was before
};

int Width(const RECT& r) { return std::max<int>(r.right - r.left, 0); }
int Height(const RECT& r) { return std::max<int>(r.bottom - r.top, 0); }

// The picture the page's canvas shows: one window's, kept as RGBA, fitted to the page.
class Canvas {
 public:
  // Puts the source rectangle of the frame at `target` of the window's picture of
  // width x height (a new window or size starts from black) and shows the changed part.
  void Show(HWND window, int width, int height, const FrameView& frame, const RECT& source,
            const RECT& target) {
    if (FPictureOf != window || width != FPictureWidth || height != FPictureHeight) {
      FPictureOf = window;
      FPictureWidth = width;
      FPictureHeight = height;
      FRgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
      for (std::size_t i = 3; i < FRgba.size(); i += 4) FRgba[i] = 255;  // black, opaque
      Place();
    }
    // The part of the source inside the frame and, at its place, inside the picture.
    RECT s{std::max<std::int32_t>(source.left, 0), std::max<std::int32_t>(source.top, 0),
           std::min<std::int32_t>(source.right, frame.width),
           std::min<std::int32_t>(source.bottom, frame.height)};
    POINT at{target.left + (s.left - source.left), target.top + (s.top - source.top)};
    if (at.x < 0) s.left -= at.x, at.x = 0;
    if (at.y < 0) s.top -= at.y, at.y = 0;
    s.right = std::min<std::int32_t>(s.right, s.left + (width - at.x));
    s.bottom = std::min<std::int32_t>(s.bottom, s.top + (height - at.y));
    if (s.right <= s.left || s.bottom <= s.top) return;
    FrameToRgba(frame, s, FRgba.data(), width, at);
    marvosk_page_show(FRgba.data(), width, height, at.x, at.y, Width(s), Height(s));
  }
  // The window's picture read back, when the canvas holds it.
  bool Read(HWND window, const RECT& rect, const FrameTarget& into) const {
    if (window != FPictureOf || into.bitCount == 8 || into.width <= 0 || into.height <= 0 ||
        Width(rect) != into.width || Height(rect) != into.height || rect.left < 0 || rect.top < 0 ||
        rect.right > FPictureWidth || rect.bottom > FPictureHeight)
      return false;
    RgbaToFrame(FRgba.data(), FPictureWidth, POINT{rect.left, rect.top}, into);
    return true;
  }
  void Forget(HWND window) {
    if (FPictureOf == window) FPictureOf = 0;
  }
  void Layout(int pageWidth, int pageHeight) {
    FPageWidth = pageWidth;
    FPageHeight = pageHeight;
    Place();
  }
  const Viewport& View() const { return FView; }

 private:
  void Place() {
    if (FPictureWidth <= 0 || FPageWidth <= 0) return;
    FView = PictureOnPage(FPageWidth, FPageHeight, FPictureWidth, FPictureHeight);
    marvosk_page_place(FView.x, FView.y, FView.width, FView.height);
  }

  HWND FPictureOf = 0;  // the window whose picture FRgba holds
  int FPictureWidth = 0, FPictureHeight = 0;
  std::vector<std::uint8_t> FRgba;
  int FPageWidth = 0, FPageHeight = 0;
  Viewport FView;
};

class WebBackend final : public Backend {
 public:
  WebBackend() { marvosk_page_attach(); }
  ~WebBackend() override {
    CloseAudio();
    marvosk_page_detach();
  }

  const char* Name() const override { return "web"; }

  bool CreateWindow(HWND window, const WindowSpec& spec) override {
    FWindows[window].spec = spec;
    return true;
  }
  void DestroyWindow(HWND window) override {
    FWindows.erase(window);
    if (FFocused == window) FFocused = 0;
    if (FShown == window) FShown = 0;
    FCanvas.Forget(window);
  }
  bool ShowWindow(HWND window, bool visible) override {
    WindowRecord* w = Record(window);
    if (!w || w->visible == visible) return false;
    w->visible = visible;
    if (visible) {
      FShown = window;
      marvosk_page_title(w->spec.title.c_str());
      if (FPageFocused) {
        FFocused = window;  // the platform activates it itself
        return true;
      }
      return false;
    }
    if (FFocused == window) {
      FQueue.push_back({window, WM_ACTIVATE, WA_INACTIVE, 0});
      FFocused = 0;
    }
    if (FShown == window) FShown = 0;
    return false;
  }
  void MinimizeWindow(HWND) override {}
  void RestoreWindow(HWND) override {}
  void SetTitle(HWND window, const std::string& title) override {
    if (WindowRecord* w = Record(window)) w->spec.title = title;
    if (window == FShown) marvosk_page_title(title.c_str());
  }
  void SetFrame(HWND, Border, bool, bool) override {}
  void SetTaskbarButton(HWND, bool) override {}
  void SetClientRect(HWND window, const RECT& client) override {
    WindowRecord* w = Record(window);
    if (w && !w->fullScreen) w->spec.client = client;
  }
  RECT ClientRect(HWND window) override {
    WindowRecord* w = Record(window);
    return w ? w->spec.client : RECT{};
  }
  void ActivateWindow(HWND window) override {
    if (!FPageFocused || window == FFocused || !Record(window)) return;
    if (FFocused) FQueue.push_back({FFocused, WM_ACTIVATE, WA_INACTIVE, 0});
    FFocused = window;
    FQueue.push_back({window, WM_ACTIVATE, WA_ACTIVE, 0});
  }
  RECT ScreenRect() override { return kScreen; }

  WaitResult WaitEvent(MSG& event, DWORD timeoutMs) override {
    if (FQueue.empty() && timeoutMs != 0)
      marvosk_page_sleep(timeoutMs == INFINITE ? -1.0 : double(timeoutMs));
    if (FQueue.empty()) return WaitResult::Timeout;
    event = FQueue.front();
    FQueue.pop_front();
    return WaitResult::Event;
  }

  void Present(HWND window, const FrameView& frame, const RECT& source, const RECT& target,
               bool) override {
    WindowRecord* w = Record(window);
    if (!w || !frame.top || frame.width <= 0 || frame.height <= 0) return;
    FShown = window;
    FCanvas.Show(window, std::max(Width(w->spec.client), 1), std::max(Height(w->spec.client), 1),
                 frame, source, target);
  }
  bool ReadsShown(HWND window) override {
    const WindowRecord* w = Record(window);
    return w && !w->fullScreen;
  }
  bool ReadShown(HWND window, const RECT& rect, const FrameTarget& into) override {
    const WindowRecord* w = Record(window);
    return w && !w->fullScreen && FCanvas.Read(window, rect, into);
  }
  void SetFullScreen(HWND window, bool on, int width, int height) override {
    WindowRecord* w = Record(window);
    if (!w || w->fullScreen == on) return;
    w->fullScreen = on;
    if (on) {
      w->windowed = w->spec.client;
      w->spec.client = RECT{0, 0, std::max(width, 1), std::max(height, 1)};
    } else {
      w->spec.client = w->windowed;
    }
    marvosk_page_full_screen(on ? 1 : 0);
  }

  std::uint32_t Milliseconds() override {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
  }
  void SetCursorVisible(bool visible) override { marvosk_page_cursor(visible ? 1 : 0); }
  void Beep() override {}
  void Sleep(std::uint32_t ms) override {
    const double end = emscripten_get_now() + ms;
    for (double now = emscripten_get_now(); now < end; now = emscripten_get_now())
      marvosk_page_sleep(end - now);
  }

  bool OpenAudio(const AudioSpec&, AudioSpec& obtained, AudioPull pull, AudioLost) override {
    if (FAudioPull || !pull) return false;
    const int rate = marvosk_page_open_audio(kAudioBlockFrames);
    if (rate <= 0) return false;
    FAudioPull = std::move(pull);
    obtained = AudioSpec{rate, 2, kAudioBlockFrames};
    return true;
  }
  void CloseAudio() override {
    if (!FAudioPull) return;
    marvosk_page_close_audio();
    FAudioPull = nullptr;
  }

  // From the page.
  bool Key(const char* code, bool down, bool repeat, bool alt) {
    const KeyEvent key{code ? code : "", down, repeat, alt};
    if (FFocused)
      if (auto m = KeyMessage(FFocused, key)) FQueue.push_back(*m);
    return KeyBelongsToTheGame(key);
  }
  void Pointer(PointerEvent event, double x, double y) {
    if (!FShown) return;
    event.at = PagePointToPicture(FCanvas.View(), x, y);
    if (auto m = PointerMessage(FShown, event)) FQueue.push_back(*m);
  }
  void Focus(bool focused) {
    if (focused == FPageFocused) return;
    FPageFocused = focused;
    const HWND to = focused ? FShown : FFocused;
    if (!to) return;
    FFocused = focused ? to : 0;
    FQueue.push_back({to, WM_ACTIVATE, focused ? WA_ACTIVE : WA_INACTIVE, 0});
  }
  // The page's button, and the browser leaving full screen: Alt+Enter as the keyboard makes it.
  void SwitchScreen() {
    if (!FFocused) return;
    Key("AltLeft", true, false, true);
    Key("Enter", true, false, true);
    Key("Enter", false, false, true);
    Key("AltLeft", false, false, false);
  }
  // The browser left full screen by itself (Escape): the program is told as if Alt+Enter had
  // been pressed, so that it goes back to a window too. Its own way out finds it a window.
  void LeftFullScreen() {
    const WindowRecord* w = Record(FShown);
    if (w && w->fullScreen) SwitchScreen();
  }
  void Layout(int pageWidth, int pageHeight) { FCanvas.Layout(pageWidth, pageHeight); }
  const std::int16_t* Mix(int frames) {
    FAudioBlock.assign(static_cast<std::size_t>(std::max(frames, 0)) * 2, 0);
    if (FAudioPull && frames > 0) FAudioPull(FAudioBlock.data(), frames, 2);
    return FAudioBlock.data();
  }

 private:
  WindowRecord* Record(HWND window) {
    auto it = FWindows.find(window);
    return it == FWindows.end() ? nullptr : &it->second;
  }

  std::map<HWND, WindowRecord> FWindows;
  std::deque<MSG> FQueue;
  HWND FShown = 0;    // the window the page shows and points at
  HWND FFocused = 0;  // the window with the keyboard focus, while the page has it
  bool FPageFocused = true;
  Canvas FCanvas;
  AudioPull FAudioPull;
  std::vector<std::int16_t> FAudioBlock;
};

WebBackend* Page() { return HasBackend() ? dynamic_cast<WebBackend*>(&CurrentBackend()) : nullptr; }

// A step of a scripted page, as marvosk-replay's scripts have them.
struct ScriptStep {
  enum Kind { Move, Click, Key, Frame, End };
  std::uint32_t at = 0;
  int kind = End;
  int x = 0, y = 0;
  std::uint16_t key = 0;
  bool alt = false;
};

// A page that plays a script instead of a person (tests/web/page_check.py): the program runs
// on a machine of the tests' own kind (headless.h), with its virtual clock, audio device and
// answers, as marvosk-replay runs it; what it presents also goes on the canvas, which each
// frame step copies for the test, and the page's own input is not taken. When the clock reaches
// a step, the step is done as marvosk-replay does it: input goes to the window shown then, and
// a frame is taken once everything due has been taken by the program.
class ScriptedPage final : public Backend {
 public:
  explicit ScriptedPage(std::vector<ScriptStep> steps) : FSteps(std::move(steps)) {
    marvosk_page_attach();
  }
  ~ScriptedPage() override { marvosk_page_detach(); }

  const char* Name() const override { return "web (scripted)"; }
  bool CreateWindow(HWND window, const WindowSpec& spec) override {
    return FMachine.CreateWindow(window, spec);
  }
  void DestroyWindow(HWND window) override {
    FMachine.DestroyWindow(window);
    FCanvas.Forget(window);
    if (FShown == window) FShown = 0;
  }
  bool ShowWindow(HWND window, bool visible) override {
    if (visible) FShown = window;
    return FMachine.ShowWindow(window, visible);
  }
  void MinimizeWindow(HWND window) override { FMachine.MinimizeWindow(window); }
  void RestoreWindow(HWND window) override { FMachine.RestoreWindow(window); }
  void SetTitle(HWND window, const std::string& title) override {
    FMachine.SetTitle(window, title);
  }
  void SetFrame(HWND window, Border border, bool minimizeBox, bool maximizeBox) override {
    FMachine.SetFrame(window, border, minimizeBox, maximizeBox);
  }
  void SetTaskbarButton(HWND window, bool shown) override {
    FMachine.SetTaskbarButton(window, shown);
  }
  void SetClientRect(HWND window, const RECT& client) override {
    FMachine.SetClientRect(window, client);
  }
  RECT ClientRect(HWND window) override { return FMachine.ClientRect(window); }
  void ActivateWindow(HWND window) override { FMachine.ActivateWindow(window); }
  RECT ScreenRect() override { return FMachine.ScreenRect(); }

  WaitResult WaitEvent(MSG& event, DWORD timeoutMs) override {
    const std::uint32_t start = FMachine.Now();
    for (;;) {
      const std::uint32_t now = FMachine.Now();
      if (FNext < FSteps.size() && FSteps[FNext].at <= now) {
        const ScriptStep& step = FSteps[FNext];
        if (step.kind == ScriptStep::Frame || step.kind == ScriptStep::End)
          if (FMachine.WaitEvent(event, 0) == WaitResult::Event) return WaitResult::Event;
        ++FNext;
        if (Do(step, static_cast<int>(FNext - 1))) return WaitResult::Never;
        continue;
      }
      const std::uint32_t spent = now - start;
      if (timeoutMs != INFINITE && spent >= timeoutMs) return WaitResult::Timeout;
      DWORD wait = timeoutMs == INFINITE ? INFINITE : timeoutMs - spent;
      if (FNext < FSteps.size()) wait = std::min<DWORD>(wait, FSteps[FNext].at - now);
      // The page stays alive: the browser runs now and then, every tenth of a second played.
      if (now - FYielded >= kYieldEveryMs) {
        FYielded = now;
        marvosk_page_sleep(0);
      }
      const WaitResult result = FMachine.WaitEvent(event, wait);
      if (result != WaitResult::Timeout) return result;
    }
  }

  void Present(HWND window, const FrameView& frame, const RECT& source, const RECT& target,
               bool waitVBlank) override {
    FMachine.Present(window, frame, source, target, waitVBlank);
    if (!frame.top || frame.width <= 0 || frame.height <= 0) return;
    const RECT client = FMachine.ClientRect(window);
    FShown = window;
    FCanvas.Show(window, std::max(Width(client), 1), std::max(Height(client), 1), frame, source,
                 target);
  }
  bool ReadsShown(HWND window) override { return FMachine.ReadsShown(window); }
  bool ReadShown(HWND window, const RECT& rect, const FrameTarget& into) override {
    return FMachine.ReadShown(window, rect, into);
  }
  void SetFullScreen(HWND window, bool on, int width, int height) override {
    FMachine.SetFullScreen(window, on, width, height);
  }
  std::uint32_t Milliseconds() override { return FMachine.Milliseconds(); }
  void SetCursorVisible(bool visible) override { FMachine.SetCursorVisible(visible); }
  void Beep() override { FMachine.Beep(); }
  void Sleep(std::uint32_t ms) override { FMachine.Sleep(ms); }
  bool OpenAudio(const AudioSpec& wanted, AudioSpec& obtained, AudioPull pull,
                 AudioLost lost) override {
    return FMachine.OpenAudio(wanted, obtained, std::move(pull), std::move(lost));
  }
  void CloseAudio() override { FMachine.CloseAudio(); }

 private:
  static constexpr std::uint32_t kYieldEveryMs = 100;

  // Does a step; answers whether the script has ended.
  bool Do(const ScriptStep& step, int index) {
    switch (step.kind) {
      case ScriptStep::Move:
        FMouse = POINT{step.x, step.y};
        FMachine.MoveMouse(FShown, step.x, step.y);
        return false;
      case ScriptStep::Click: FMachine.Click(FShown, FMouse.x, FMouse.y); return false;
      case ScriptStep::Key: FMachine.PressKey(FShown, step.key, {.alt = step.alt}); return false;
      case ScriptStep::Frame: marvosk_page_capture(index); return false;
      default: {
        const std::vector<std::int16_t>& sound = FMachine.AudioOutput();
        marvosk_page_script_done(sound.data(), static_cast<int>(sound.size()));
        return true;
      }
    }
  }

  headless::HeadlessBackend FMachine;
  Canvas FCanvas;
  std::vector<ScriptStep> FSteps;
  std::size_t FNext = 0;
  HWND FShown = 0;
  POINT FMouse{};
  std::uint32_t FYielded = 0;
};

}  // namespace

bool Install() {
  if (!marvosk_page_ready()) {
    std::fputs("web: the page has no canvas (#screen in #page) to show the game in\n", stderr);
    return false;
  }
  const int steps = marvosk_page_script_length();
  if (steps >= 0) {
    std::vector<ScriptStep> script;
    for (int i = 0; i < steps; ++i) {
      int v[6] = {};
      marvosk_page_script_step(i, v);
      script.push_back(ScriptStep{static_cast<std::uint32_t>(v[0]), v[1], v[2], v[3],
                                  static_cast<std::uint16_t>(v[4]), v[5] != 0});
    }
    InstallBackend(std::make_unique<ScriptedPage>(std::move(script)));
  } else {
    InstallBackend(std::make_unique<WebBackend>());
  }
  marvosk_page_measure();
  return true;
}

}  // namespace platform::web

bool platform::InstallDesktop() { return web::Install(); }

// The page's calls into the program.
extern "C" {

EMSCRIPTEN_KEEPALIVE int marvosk_page_key(const char* code, int down, int repeat, int alt) {
  auto* page = platform::web::Page();
  return page && page->Key(code, down != 0, repeat != 0, alt != 0) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE void marvosk_page_pointer(int kind, int button, int clicks, int buttons,
                                               int shift, int ctrl, double x, double y) {
  auto* page = platform::web::Page();
  if (!page) return;
  platform::web::PointerEvent event;
  event.kind = kind == 1   ? platform::web::PointerEvent::Down
               : kind == 2 ? platform::web::PointerEvent::Up
                           : platform::web::PointerEvent::Move;
  event.button = button;
  event.clicks = clicks;
  event.buttons = static_cast<std::uint32_t>(buttons);
  event.shift = shift != 0;
  event.ctrl = ctrl != 0;
  page->Pointer(event, x, y);
}

EMSCRIPTEN_KEEPALIVE void marvosk_page_focus(int focused) {
  if (auto* page = platform::web::Page()) page->Focus(focused != 0);
}

EMSCRIPTEN_KEEPALIVE void marvosk_page_switch_screen() {
  if (auto* page = platform::web::Page()) page->SwitchScreen();
}

EMSCRIPTEN_KEEPALIVE void marvosk_page_left_full_screen() {
  if (auto* page = platform::web::Page()) page->LeftFullScreen();
}

EMSCRIPTEN_KEEPALIVE void marvosk_page_layout(int width, int height) {
  if (auto* page = platform::web::Page()) page->Layout(width, height);
}

EMSCRIPTEN_KEEPALIVE const std::int16_t* marvosk_page_mix(int frames) {
  if (auto* page = platform::web::Page()) return page->Mix(frames);
  static std::vector<std::int16_t> silence;
  silence.assign(static_cast<std::size_t>(std::max(frames, 0)) * 2 + 2, 0);
  return silence.data();
}
}
