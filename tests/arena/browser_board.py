"""The board page in a real browser: `tools/arena serve` with pbrain-random, headless Chromium
driven over the WebDriver protocol (chromedriver), a game played by clicking cells.

Registered in CTest as arena_browser."""

import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

from helpers import ARENA_DIR, BRAINS

CHROMIUM, DRIVER = shutil.which("chromium"), shutil.which("chromedriver")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--window-size=1200,860"]
ELEMENT = "element-6066-11e4-a52e-4f735466cecf"
LOCAL = urllib.request.build_opener(urllib.request.ProxyHandler({}))
# Rows the person tries to fill, x 3..7 each; a row the brain has entered is given up.
LINES = [[(x, y) for x in range(3, 8)] for y in range(1, 19, 3)]


def call(method, url, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(url, data=data, method=method,
                                     headers={"Content-Type": "application/json"})
    with LOCAL.open(request, timeout=60) as response:
        return json.loads(response.read())


def wait_until(probe, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            value = probe()
            if value:
                return value
        except OSError:
            pass
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def settled(page):  # the person is to move, or the game is over
    text = page["status"]
    return text.startswith(("Your move", "Draw", "No game")) or " wins: " in text


class Browser:
    def __init__(self, profile):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.driver = subprocess.Popen([DRIVER, "--port=%d" % port], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        self.base = "http://127.0.0.1:%d" % port
        wait_until(lambda: call("GET", self.base + "/status")["value"]["ready"], "chromedriver")
        options = {"binary": CHROMIUM, "args": FLAGS + ["--user-data-dir=" + profile]}
        caps = {"capabilities": {"alwaysMatch": {"goog:chromeOptions": options}}}
        self.session = call("POST", self.base + "/session", caps)["value"]["sessionId"]

    def do(self, method, path, body=None):
        return call(method, "%s/session/%s%s" % (self.base, self.session, path), body)["value"]

    def js(self, script):
        return self.do("POST", "/execute/sync", {"script": script, "args": []})

    def click(self, css):
        element = self.do("POST", "/element", {"using": "css selector", "value": css})[ELEMENT]
        self.do("POST", "/element/%s/click" % element, {})

    def close(self):
        try:
            call("DELETE", "%s/session/%s" % (self.base, self.session))
        finally:
            self.driver.terminate()
            self.driver.wait(10)


PAGE = """return {status: document.getElementById('status').textContent,
  error: document.getElementById('error').textContent,
  stones: [...document.querySelectorAll('#stones .stone')].map(
    s => [+s.dataset.x, +s.dataset.y, s.classList[1], s.classList.contains('win')]),
  last: [...document.querySelectorAll('#stones .last')].map(s => [+s.dataset.x, +s.dataset.y]),
  moves: document.querySelectorAll('#moves li').length};"""


@unittest.skipUnless((CHROMIUM and DRIVER) or os.environ.get("CI"),
                     "needs Debian's chromium and chromium-driver (tools/deps.sh)")
class BrowserTest(unittest.TestCase):
    def setUp(self):
        brain = os.path.join(BRAINS, "pbrain-random") + " --seed 3"
        self.server = subprocess.Popen([sys.executable, ARENA_DIR, "serve", brain],
                                       stdout=subprocess.PIPE, text=True)
        self.url = self.server.stdout.readline().split()[2]
        self.profile = tempfile.mkdtemp(prefix="ruvex-chromium-")
        self.browser = Browser(self.profile)

    def tearDown(self):
        self.browser.close()
        shutil.rmtree(self.profile, ignore_errors=True)
        self.server.send_signal(signal.SIGTERM)
        self.assertEqual(self.server.wait(15), 0)
        self.server.stdout.close()

    def wait_page(self, test, what):
        return wait_until(lambda: (lambda page: test(page) and page)(self.browser.js(PAGE)),
                          what)

    def test_play_pbrain_random_by_clicking(self):
        browser = self.browser
        browser.do("POST", "/url", {"url": self.url})
        wait_until(lambda: browser.js("return document.querySelectorAll('#play-brain option')"
                                      ".length"), "the brain list")
        browser.click("#new-game")
        page = self.wait_page(settled, "the first turn")
        while not page["status"].startswith("Black (You) wins"):
            self.assertTrue(page["status"].startswith("Your move"), page)
            white, black = ({(x, y) for x, y, c, _ in page["stones"] if c == colour}
                            for colour in ("white", "black"))
            line = next(line for line in LINES if not white & set(line))
            x, y = next(cell for cell in line if cell not in black)
            stones = len(page["stones"])
            browser.click('#cells rect[data-x="%d"][data-y="%d"]' % (x, y))
            page = self.wait_page(lambda p: settled(p) and len(p["stones"]) > stones,
                                  "the reply to %d,%d" % (x, y))
            self.assertEqual(page["error"], "")
            self.assertIn([x, y, "black"], [s[:3] for s in page["stones"]])
            self.assertIn(len(page["stones"]), (stones + 1, stones + 2))
            self.assertEqual(page["last"], [page["stones"][-1][:2]])  # the newest stone
        self.assertEqual(sorted(s[:2] for s in page["stones"] if s[3]),
                         [[x, y] for x, y in line])
        state = call("GET", self.url + "api/state")["game"]
        self.assertEqual([s[:2] for s in page["stones"]], [m[:2] for m in state["moves"]])
        self.assertEqual(page["moves"], len(state["moves"]))
        browser.click("#undo")  # takes back the winning move: the person is to move again
        page = self.wait_page(lambda p: p["status"].startswith("Your move"), "the undo")
        self.assertEqual(len(page["stones"]), len(state["moves"]) - 1)
        self.assertFalse(any(s[3] for s in page["stones"]))


if __name__ == "__main__":
    unittest.main()
