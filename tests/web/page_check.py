#!/usr/bin/env python3
"""The game in a real browser: headless Chromium loads the page from a local server and plays.

    page_check.py SITE MARVOSK_REPLAY

- The first frame on the canvas is, byte for byte, the title frame marvosk-replay writes: the
  same pictures, the same text from the same font, through the browser's own pixel path.
- F1 starts a round; a click fires, and the page's mixer plays the shot.
- Alt+Enter takes the page to the browser's full screen and back, and so does the page's button;
  the picture stays whole, and the round goes on.
- A hidden page stands still, and goes on when it is shown again.
- A page without Web Audio plays in silence.
Prints the time from navigation to the first frame."""

import base64
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from devtools import Browser, serve  # noqa: E402

CANVAS_RGB = """(() => {
  const c = document.getElementById("screen");
  const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
  const rows = [];
  for (let y = 0; y < c.height; y++) {
    let s = "";
    for (let x = 0; x < c.width; x++) {
      const i = (y * c.width + x) * 4;
      s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);
    }
    rows.push(s);
  }
  return [c.width, c.height, btoa(rows.join(""))];
})()"""


def fail(message):
    print(f"page_check: {message}")
    sys.exit(1)


def replay_title(replay):
    """The title frame as marvosk-replay writes it, as raw RGB."""
    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, "title.txt")
        with open(script, "w") as f:
            f.write("1000 frame title.png\n1100 end\n")
        subprocess.run([replay, script, work], check=True, stdout=subprocess.DEVNULL)
        return subprocess.run(["convert", os.path.join(work, "title.png"), "rgb:-"],
                              check=True, stdout=subprocess.PIPE).stdout


def canvas(browser):
    width, height, data = browser.evaluate(CANVAS_RGB)
    return width, height, base64.b64decode(data)


def differing(a, b, width):
    """How many pixels differ, and the box around them."""
    count, box = 0, None
    for i in range(0, min(len(a), len(b)), 3):
        if a[i:i + 3] != b[i:i + 3]:
            count += 1
            x, y = (i // 3) % width, (i // 3) // width
            box = (x, y, x, y) if not box else (min(box[0], x), min(box[1], y),
                                                max(box[2], x), max(box[3], y))
    return count, box


def region(rgb, width, left, top, right, bottom):
    return b"".join(rgb[(y * width + left) * 3:(y * width + right) * 3] for y in range(top, bottom))


def alt_enter(browser):
    browser.key("AltLeft", "Alt", 0x12, True, alt=True)
    browser.press("Enter", "Enter", 0x0D, alt=True)
    browser.key("AltLeft", "Alt", 0x12, False)


def shoot(browser, what):
    """Clicks in the picture once the gun has reloaded and checks that the shot is heard."""
    time.sleep(1.5)
    browser.evaluate("Module.marvoskPeak = 0")
    page = browser.evaluate("[innerWidth, innerHeight]")
    x, y = page[0] // 2, page[1] // 2
    browser.mouse("mouseMoved", x, y)
    browser.mouse("mousePressed", x, y, "left", 1)
    browser.mouse("mouseReleased", x, y, "left", 1)
    try:
        peak = browser.wait_for("Module.marvoskPeak >= 2000 && Module.marvoskPeak", timeout=5)
    except TimeoutError:
        fail(f"{what}: no shot heard (loudest sample {browser.evaluate('Module.marvoskPeak')}, "
             f"{browser.evaluate('Module.marvoskBlocks')} blocks played)")
    print(f"page_check: {what}: the shot was played, loudest sample {peak}")


def main():
    if len(sys.argv) != 3:
        fail("usage: page_check.py SITE MARVOSK_REPLAY")
    site, replay = sys.argv[1], sys.argv[2]
    title = replay_title(replay)
    server = serve(site)
    browser = Browser(1280, 1000)
    try:
        browser.open(f"http://127.0.0.1:{server.server_address[1]}/index.html")
        browser.wait_for("typeof Module !== 'undefined' && Module.marvoskFrames > 0")
        first = browser.evaluate("Module.marvoskFirstFrame")
        print(f"page_check: first frame {first:.0f} ms after navigation")

        time.sleep(0.3)
        width, height, shown = canvas(browser)
        if (width, height) != (640, 480):
            fail(f"the canvas is {width}x{height}, not the window's 640x480")
        count, box = differing(shown, title, width)
        print(f"page_check: title frame: {count} pixels differ from marvosk-replay's")
        if count:
            fail(f"the title frame differs from marvosk-replay's in {count} pixels, within {box}")
        # The picture fills the page as full screen fills a monitor: by a whole factor from two
        # up, else the largest that fits, in the middle.
        browser.send("Emulation.setDeviceMetricsOverride",
                     {"width": 1400, "height": 1000, "deviceScaleFactor": 1, "mobile": False})
        time.sleep(0.3)
        place = browser.evaluate("""(() => { const r = document.getElementById("screen")
            .getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()""")
        print(f"page_check: on a page of 1400x1000 the picture lies at {place}")
        if place != [60, 20, 1280, 960]:
            fail("the picture is not scaled by two in the middle of the page")
        browser.send("Emulation.setDeviceMetricsOverride",
                     {"width": 1000, "height": 700, "deviceScaleFactor": 1, "mobile": False})
        time.sleep(0.3)
        place = browser.evaluate("""(() => { const r = document.getElementById("screen")
            .getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()""")
        print(f"page_check: on a page of 1000x700 the picture lies at {place}")
        if place != [33, 0, 933, 700]:
            fail("the picture does not fit the page's height with bars left and right")
        browser.send("Emulation.clearDeviceMetricsOverride")

        # F1 starts a round: the title line gives way to the score.
        browser.press("F1", "F1", 0x70)
        score = region(title, 640, 0, 0, 200, 36)
        browser.wait_for("Module.marvoskFrames > 0")
        deadline = time.monotonic() + 10
        while region(canvas(browser)[2], 640, 0, 0, 200, 36) == score:
            if time.monotonic() > deadline:
                fail("F1 did not start a round")
            time.sleep(0.2)
        print("page_check: F1 started a round")

        # A click fires; the shot is mixed on the page.
        shoot(browser, "a click")

        # Alt+Enter: the browser's full screen and back; the picture stays whole.
        for way in ("Alt+Enter", "the button"):
            for on in (True, False):
                if way == "Alt+Enter" or not on:
                    alt_enter(browser)
                else:
                    browser.evaluate('document.getElementById("fullscreen").click()')
                want = "!!document.fullscreenElement" if on else "!document.fullscreenElement"
                try:
                    browser.wait_for(want, timeout=10)
                except TimeoutError:
                    fail(f"{way} did not {'enter' if on else 'leave'} full screen")
                browser.wait_for("Module.marvoskFrames > 0")
                time.sleep(0.5)
                width, height, _ = canvas(browser)
                if (width, height) != (640, 480):
                    fail(f"after {way} the picture is {width}x{height}")
            print(f"page_check: {way} went to full screen and back")
        # The browser leaving full screen by itself (Escape) takes the game back to a window:
        # the next Alt+Enter goes to full screen again.
        alt_enter(browser)
        browser.wait_for("!!document.fullscreenElement", timeout=10)
        time.sleep(0.5)
        browser.evaluate("document.exitFullscreen()")
        browser.wait_for("!document.fullscreenElement", timeout=10)
        time.sleep(0.5)
        alt_enter(browser)
        try:
            browser.wait_for("!!document.fullscreenElement", timeout=10)
        except TimeoutError:
            fail("after the browser left full screen by itself, Alt+Enter no longer enters it")
        alt_enter(browser)
        browser.wait_for("!document.fullscreenElement", timeout=10)
        print("page_check: the browser leaving full screen by itself took the game back to a window")
        # The round goes on, and the gun still fires.
        if region(canvas(browser)[2], 640, 0, 0, 200, 36) == score:
            fail("the round did not survive the switches")

        # A hidden page stands still, as an inactive window does, and goes on when shown again.
        other = browser.hide()
        browser.wait_for("document.visibilityState === 'hidden'")
        time.sleep(0.3)
        before = browser.evaluate("Module.marvoskFrames")
        time.sleep(1)
        hidden = browser.evaluate("Module.marvoskFrames") - before
        browser.show(other)
        browser.wait_for("document.visibilityState === 'visible' && document.hasFocus()")
        before = browser.evaluate("Module.marvoskFrames")
        time.sleep(1)
        shown = browser.evaluate("Module.marvoskFrames") - before
        print(f"page_check: frames in a second hidden: {hidden}; shown again: {shown}")
        if hidden > 1 or shown < 10:
            fail("the game does not stand still while the page is hidden, or does not go on")
        shoot(browser, "a click after the switches")
        print("page_check: the game plays in the browser")
    finally:
        browser.close()

    # A page without Web Audio plays on in silence.
    browser = Browser(1280, 1000)
    try:
        browser.open(f"http://127.0.0.1:{server.server_address[1]}/index.html",
                     before="delete window.AudioContext; delete window.webkitAudioContext;")
        browser.wait_for("typeof Module !== 'undefined' && Module.marvoskFrames > 0")
        browser.press("F1", "F1", 0x70)
        deadline = time.monotonic() + 10
        while region(canvas(browser)[2], 640, 0, 0, 200, 36) == region(title, 640, 0, 0, 200, 36):
            if time.monotonic() > deadline:
                fail("without Web Audio, F1 did not start a round")
            time.sleep(0.2)
        if browser.evaluate("Module.marvoskBlocks || 0"):
            fail("a page without Web Audio played sound")
        print("page_check: without Web Audio the game plays in silence")
    finally:
        browser.close()
        server.shutdown()


if __name__ == "__main__":
    main()
