// The browser: the program's one page shows the picture of its shown window in a <canvas>,
// fitted to the page (viewport.h), and the page's pointer, keyboard, focus and visibility
// events come back as the platform's messages. Built with Emscripten only.
//
// Windows: top-level windows are records; the canvas shows the window presented to last, at
// its client size (or, in full screen, the emulated screen's). The desktop is a screen of
// 1024x768 where windows are placed and centred.
//
// Waiting: the program's loop runs as one long call that yields to the browser while it waits
// (Asyncify): a wait returns when the page queues an event or its timeout passes, and costs
// nothing in between.
//
// Focus: the shown window has the keyboard focus while the page is visible and has the focus;
// a hidden tab or a page that lost the focus makes WM_ACTIVATE WA_INACTIVE, so the game stands
// still as it does in an inactive window.
//
// Full screen: the whole page goes to the browser's full screen (and comes back when the
// program leaves full screen). Alt+Enter and the page's button both reach the program as the
// key presses Alt+Enter. When the browser leaves full screen by itself (Escape), the program
// is told with Alt+Enter too, and goes back to a window.
//
// Audio: Web Audio, started at the first click or key press as browsers require; the page pulls
// blocks of 512 frames from the program's mixer. A page without Web Audio has no device.
//
// A scripted page (the page sets Module.marvoskScript before the program starts) plays a
// script of timed input instead of a person, on the headless machine's virtual clock and audio
// device, as marvosk-replay does; its frames go on the canvas, and the page keeps a copy of
// each one the script asks for and the sound mixed. tests/web/page_check.py compares them with
// marvosk-replay's.
//
// Does not: make WM_SYSCOMMAND (the page cannot be closed from inside), WM_MOVE, WM_SIZE or
// WM_PAINT (the canvas keeps its picture); minimise; show more than one window at a time.
#pragma once

#include "platform/backend/backend.h"

namespace platform::web {

// Makes the page's backend and installs it as the platform's. Answers false when the page
// has no canvas for it.
bool Install();

}  // namespace platform::web
