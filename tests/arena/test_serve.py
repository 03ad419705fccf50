"""The board server (tools/arena serve) through its HTTP API: games judged as in matches, and
bad requests answered with an error that changes nothing."""

import http.client
import json
import os
import re
import threading
import time
import unittest

from helpers import child_pids, fake, fast_config

from arena.psq import psq_text
from arena.serve import WEB_DIR, make_server


FIVE = [(9, 9), (0, 0), (10, 9), (0, 2), (11, 9), (0, 4), (12, 9), (0, 6), (13, 9)]


class ServeTest(unittest.TestCase):
    def setUp(self):
        brains = [fake("good"), fake("slow", "--sleep", 0.6), fake("garbage"), fake("good")]
        self.server = make_server(brains, fast_config())
        self.port = self.server.server_port
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def tearDown(self):
        self.server.shutdown()
        self.server.close()
        self.assertEqual(child_pids(), [], "a brain process was left behind")

    def request(self, method, path, body=None, headers=None, raw=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        sent = {"Content-Type": "application/json"} if method == "POST" else {}
        sent.update(headers or {})
        data = raw if raw is not None else (None if body is None else json.dumps(body))
        connection.request(method, path, body=data, headers=sent)
        response = connection.getresponse()
        payload = response.read()
        connection.close()
        kind = response.getheader("Content-Type", "")
        return response.status, json.loads(payload) if "json" in kind else payload.decode()

    def game_when(self, test):
        deadline = time.monotonic() + 10
        _, state = self.request("GET", "/api/state")
        while not (state["game"] and test(state["game"])):
            self.assertLess(time.monotonic(), deadline, state)
            _, state = self.request("GET", "/api/state?since=%d&wait=2" % state["version"])
        return state["game"]

    def new(self, ready=lambda g: g["waiting"] or g["status"] == "over", **request):
        status, state = self.request("POST", "/api/new", dict(request, turn_ms=500))
        self.assertEqual(status, 200, state)
        return self.game_when(ready)

    def test_play_and_bad_requests_that_change_nothing(self):
        game = self.new(mode="play", brain=0, colour="black")
        self.assertEqual(self.request("POST", "/api/move", {"game": game["id"], "x": 9,
                                                            "y": 9})[0], 200)
        game = self.game_when(lambda g: g["waiting"])
        # the fake plays the first free cell next to a stone
        self.assertEqual([m[:2] for m in game["moves"]], [[9, 9], [8, 8]])
        move = lambda **r: ("POST", "/api/move", dict({"game": game["id"]}, **r), None, None)
        new = lambda **r: ("POST", "/api/new", dict({"mode": "play", "brain": 0, "colour":
                                                     "white", "turn_ms": 500}, **r), None, None)
        duplicate = psq_text([(3, 3, 0), (4, 4, 0), (3, 3, 0)], "A", "B")
        cases = [
            (move(x=9, y=9), 409, "cell 9,9 is occupied"),
            (move(x=8, y=8), 409, "cell 8,8 is occupied"),
            (move(x=20, y=3), 400, "x must be an integer from 0 to 19"),
            (move(x="3", y=3), 400, "x must be"),
            (move(x=True, y=3), 400, "x must be"),
            (move(x=1, y=1, game=99), 409, "not the game being played"),
            (("POST", "/api/move", None, None, '{"game": 1, "x":'), 400, "malformed JSON"),
            (("POST", "/api/move", [1, 2], None, None), 400, "expected a JSON object"),
            (("POST", "/api/move", None, {"Content-Type": "text/plain"}, "x=1"), 400,
             "must be JSON"),
            (("POST", "/api/resign", {}, None, None), 404, "no such action"),
            (new(brain=4), 400, "brain must be an integer from 0 to 3"),
            (new(colour="red"), 400, "colour must be"),
            (new(turn_ms=0), 400, "turn_ms must be"),
            (new(mode="chess"), 400, "mode must be"),
            (("POST", "/api/psq", {"text": "hello"}, None, None), 400, "not a .psq record"),
            (("POST", "/api/psq", {"text": duplicate}, None, None), 400,
             "stone 3 (4,4 in the file): cell 3,3 is occupied"),
            (("GET", "/api/state?since=x", None, None, None), 400, "must be numbers"),
            (("GET", "/../serve.py", None, None, None), 404, "no such file"),
            (("GET", "/%2e%2e/serve.py", None, None, None), 404, "no such file"),
            (("GET", "/web/board.js", None, None, None), 404, "no such file"),
            (("GET", "/api/state", None, {"Host": "evil.example"}, None), 403,
             "must be addressed to 127.0.0.1"),
            (move(x=1, y=1)[:3] + ({"Origin": "http://evil.example"}, None), 403,
             "from other pages"),
        ]
        for (method, path, body, headers, raw), status, error in cases:
            with self.subTest(path=path, body=body, headers=headers, raw=raw):
                answer = self.request(method, path, body, headers, raw)
                self.assertEqual(answer[0], status, answer[1])
                self.assertIn(error, answer[1]["error"])
                after = self.request("GET", "/api/state")[1]["game"]
                self.assertEqual((after["id"], after["moves"], after["waiting"]),
                                 (game["id"], game["moves"], True))
        status, record = self.request("POST", "/api/psq", {"text": psq_text(
            [(x, y, 5) for x, y in FIVE], "A", "B")})
        self.assertEqual((status, record["names"], record["moves"][2]),
                         (200, {"black": "A", "white": "B"}, [10, 9, 5]))
        self.assertEqual(record["win_line"], [[x, 9] for x in range(9, 14)])
        self.assertEqual(self.request("POST", "/api/undo", {"game": game["id"]})[0], 200)
        self.assertEqual(self.game_when(lambda g: g["waiting"])["moves"], [])

    def test_moves_out_of_turn_are_refused(self):
        # (game, request, error): each game in the state where the request is out of turn
        cases = [
            (dict(mode="watch", black=0, white=3), "move", "no person plays"),
            (dict(mode="play", brain=0, colour="black"), "undo", "you have not moved yet"),
            (dict(mode="play", brain=1, colour="white"), "move", "not your turn"),
            (dict(mode="play", brain=2, colour="white"), "move", "the game is over"),
        ]
        for request, action, error in cases:
            with self.subTest(request=request, action=action):
                if request.get("brain") == 1:  # the slow brain: wait until it is thinking
                    request["ready"] = lambda g: g["to_move"] == "black"
                game = self.new(**request)
                status, answer = self.request("POST", "/api/" + action,
                                              {"game": game["id"], "x": 0, "y": 0})
                self.assertEqual((status, error in answer["error"]), (409, True), answer)
                after = self.request("GET", "/api/state")[1]["game"]
                self.assertEqual((after["id"], after["moves"]), (game["id"], game["moves"]))

    def test_page_works_offline(self):
        self.assertIn('<script src="/board.js">', self.request("GET", "/")[1])
        for name in os.listdir(WEB_DIR):
            with open(os.path.join(WEB_DIR, name)) as handle:
                text = handle.read().replace('"http://www.w3.org/2000/svg"', "")
            self.assertEqual(re.findall(r"\w+://|//[\w.-]+\.\w|@import", text), [], name)
            for link in re.findall(r'(?:src|href)="([^"]*)"', text):
                self.assertEqual(self.request("GET", link)[0], 200, link)


if __name__ == "__main__":
    unittest.main()
