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
- A scripted page (the program on the headless machine's clock, its pictures on the canvas)
  plays a round with Alt+Enter in marvosk-replay's script format: every frame it captures from
  the canvas and all the sound it mixes are byte for byte marvosk-replay's.
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


# A round as a player plays it: F1, aim and shoot, Alt+Enter to full screen and back, with
# frames along the way; marvosk-replay's script format.
ROUND = """\
500 key F1
1200 frame started.png
2600 move 200 300
3000 move 238 226
3010 click
3300 frame hit.png
4200 move 420 180
4500 click
5000 key alt+Return
6500 frame full.png
6600 move 300 240
6700 click
7500 key alt+Return
9000 frame window.png
9100 move 100 400
9200 click
10000 frame last.png
10100 end
"""

KINDS = {"move": 0, "click": 1, "key": 2, "frame": 3, "end": 4}


def script_steps(text):
    """A replay script as the scripted page takes it: [at, kind, x, y, key, alt] per step."""
    steps, names = [], {}
    for line in text.splitlines():
        words = line.split()
        at, kind = int(words[0]), words[1]
        x = y = key = alt = 0
        if kind == "move":
            x, y = int(words[2]), int(words[3])
        elif kind == "key":
            name = words[2]
            alt = 1 if name.startswith("alt+") else 0
            name = name[4:] if alt else name
            key = 0x0D if name == "Return" else 0x70 + int(name[1:]) - 1
        elif kind == "frame":
            names[len(steps)] = words[2]
        steps.append([at, KINDS[kind], x, y, key, alt])
    return steps, names


def wav_samples(path):
    with open(path, "rb") as f:
        data = f.read()
    at = data.index(b"data") + 8
    return data[at:at + int.from_bytes(data[at - 4:at], "little")]


def scripted_round(server, replay):
    """The round on a scripted page and in marvosk-replay: the same frames and the same sound."""
    with tempfile.TemporaryDirectory() as work:
        script = os.path.join(work, "round.txt")
        with open(script, "w") as f:
            f.write(ROUND)
        subprocess.run([replay, script, work], check=True, stdout=subprocess.DEVNULL)
        steps, names = script_steps(ROUND)
        browser = Browser(1280, 1000)
        try:
            browser.open(f"http://127.0.0.1:{server.server_address[1]}/index.html",
                         before=f"var Module = {{marvoskScript: {steps}}};")
            browser.wait_for("typeof Module !== 'undefined' && Module.marvoskScriptDone", 60)
            for index, name in names.items():
                width, height, data = browser.evaluate(f"""(() => {{
                    const c = Module.marvoskCaptures[{index}], rows = [];
                    for (let i = 0; i < c.rgba.length; i += 4)
                      rows.push(String.fromCharCode(c.rgba[i], c.rgba[i + 1], c.rgba[i + 2]));
                    return [c.width, c.height, btoa(rows.join(""))];
                }})()""")
                shown = base64.b64decode(data)
                expected = subprocess.run(["convert", os.path.join(work, name), "rgb:-"],
                                          check=True, stdout=subprocess.PIPE).stdout
                if len(shown) != len(expected):
                    fail(f"scripted round: {name} is {width}x{height} on the page")
                count, box = differing(shown, expected, width)
                if count:
                    fail(f"scripted round: {name} differs from marvosk-replay's in {count} "
                         f"pixels, within {box}")
            sound = base64.b64decode(browser.evaluate("""(() => {
                const b = new Uint8Array(Module.marvoskSound.buffer), parts = [];
                for (let i = 0; i < b.length; i += 65536)
                  parts.push(String.fromCharCode.apply(null, b.subarray(i, i + 65536)));
                return btoa(parts.join(""));
            })()"""))
            expected = wav_samples(os.path.join(work, "sound.wav"))
            if sound != expected:
                first = next((i for i in range(0, min(len(sound), len(expected)), 2)
                              if sound[i:i + 2] != expected[i:i + 2]), None)
                fail(f"scripted round: the page mixed {len(sound) // 4} frames of sound, "
                     f"marvosk-replay {len(expected) // 4}; first difference at byte {first}")
            print(f"page_check: scripted round: {len(names)} frames and "
                  f"{len(sound) // 4} frames of sound, all as marvosk-replay's")
        finally:
            browser.close()


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


def picture_place(browser, width, height):
    """Where the picture lies on a page of width x height: [left, top, width, height]."""
    browser.send("Emulation.setDeviceMetricsOverride",
                 {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    time.sleep(0.3)
    place = browser.evaluate("""(() => { const r = document.getElementById("screen")
        .getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()""")
    print(f"page_check: on a page of {width}x{height} the picture lies at {place}")
    return place


def start_round(browser, title, failure):
    """Presses F1 and waits for the title line to give way to the score; answers the title
    line's pixels."""
    browser.press("F1", "F1", 0x70)
    line = region(title, 640, 0, 0, 200, 36)
    deadline = time.monotonic() + 10
    while region(canvas(browser)[2], 640, 0, 0, 200, 36) == line:
        if time.monotonic() > deadline:
            fail(failure)
        time.sleep(0.2)
    return line


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
        if picture_place(browser, 1400, 1000) != [60, 20, 1280, 960]:
            fail("the picture is not scaled by two in the middle of the page")
        if picture_place(browser, 1000, 700) != [33, 0, 933, 700]:
            fail("the picture does not fit the page's height with bars left and right")
        browser.send("Emulation.clearDeviceMetricsOverride")

        # F1 starts a round: the title line gives way to the score.
        score = start_round(browser, title, "F1 did not start a round")
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

    scripted_round(server, replay)

    # A page without Web Audio plays on in silence.
    browser = Browser(1280, 1000)
    try:
        browser.open(f"http://127.0.0.1:{server.server_address[1]}/index.html",
                     before="delete window.AudioContext; delete window.webkitAudioContext;")
        browser.wait_for("typeof Module !== 'undefined' && Module.marvoskFrames > 0")
        start_round(browser, title, "without Web Audio, F1 did not start a round")
        if browser.evaluate("Module.marvoskBlocks || 0"):
            fail("a page without Web Audio played sound")
        print("page_check: without Web Audio the game plays in silence")
    finally:
        browser.close()
        server.shutdown()


if __name__ == "__main__":
    main()
