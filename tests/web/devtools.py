"""A headless Chromium driven through its DevTools protocol over a pipe (--remote-debugging-pipe):
no network port, no client library. Messages are JSON, each ended by a NUL byte. And a static
server on 127.0.0.1 for the pages it loads."""

import functools
import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm"}

    def log_message(self, *args):
        pass


def serve(directory):
    """Serves a folder on 127.0.0.1 at a free port, from a thread, until shutdown()."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(_QuietHandler, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class Browser:
    def __init__(self, width=1280, height=1000, extra=()):
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        if not chromium:
            raise SystemExit("devtools: chromium is missing (scripts/install-deps)")
        self.profile = tempfile.mkdtemp(prefix="marvosk-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def pipes():  # the browser reads commands on fd 3 and writes answers on fd 4
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        args = [chromium, "--headless=new", "--remote-debugging-pipe", "--disable-gpu",
                "--no-first-run", "--no-default-browser-check", "--mute-audio",
                "--autoplay-policy=no-user-gesture-required",
                # Quiet: none of the browser's own background work (updates, sync, reports).
                "--disable-background-networking", "--disable-component-update",
                "--disable-sync", "--disable-default-apps", "--no-pings",
                "--disable-domain-reliability", "--metrics-recording-only",
                f"--user-data-dir={self.profile}", f"--window-size={width},{height}", *extra]
        if os.geteuid() == 0:
            args.append("--no-sandbox")  # Chromium refuses to run as root with its sandbox
        self.process = subprocess.Popen(args, pass_fds=(3, 4), preexec_fn=pipes,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next = 0
        self._buffer = b""
        self.session = None

    def close(self):
        try:
            self.send("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def send(self, method, params=None, session=True, timeout=30):
        self._next += 1
        message = {"id": self._next, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read(deadline)
            if answer.get("id") == self._next:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer.get("result", {})

    def _read(self, deadline):
        while b"\0" not in self._buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self._buffer += chunk
        text, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(text)

    def open(self, url, before=None):
        """A new page at url, which the following commands go to; `before` is JavaScript run in
        the page before any of its own."""
        target = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        attached = self.send("Target.attachToTarget",
                             {"targetId": target["targetId"], "flatten": True}, session=False)
        self.target = target["targetId"]
        self.session = attached["sessionId"]
        self.send("Page.enable")
        self.send("Runtime.enable")
        if before:
            self.send("Page.addScriptToEvaluateOnNewDocument", {"source": before})
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=20):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.05)
        raise TimeoutError(f"never true: {expression}")

    def hide(self):
        """Brings another tab to the front: the page is hidden and loses the focus."""
        other = self.send("Target.createTarget", {"url": "about:blank"}, session=False)
        self.send("Target.activateTarget", {"targetId": other["targetId"]}, session=False)
        return other["targetId"]

    def show(self, other):
        """Closes the tab hide() opened and brings the page back to the front."""
        self.send("Target.closeTarget", {"targetId": other}, session=False)
        self.send("Target.activateTarget", {"targetId": self.target}, session=False)

    def key(self, code, key, vk, down, alt=False):
        self.send("Input.dispatchKeyEvent", {
            "type": "rawKeyDown" if down else "keyUp", "code": code, "key": key,
            "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk, "modifiers": 1 if alt else 0})

    def press(self, code, key, vk, alt=False):
        self.key(code, key, vk, True, alt)
        self.key(code, key, vk, False, alt)

    def mouse(self, kind, x, y, button="none", clicks=0):
        self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": button,
                                               "clickCount": clicks})
