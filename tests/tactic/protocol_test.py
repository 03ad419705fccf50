"""pbrain-tactic through a pipe: every command, bad input, two games.
Usage: protocol_test.py BINARY"""

import subprocess
import sys

FREE = None  # any free cell of the board other than the stones played
SCRIPT = [  # (command, answer); INFO lines have none
    ("TURN 1,1", "ERROR no game started, send START first"),
    ("START 15", "ERROR only the 20x20 board is supported"),
    ("START 20", "OK"),
    ("ABOUT", 'name="pbrain-tactic", version="1.0", author="Ruvex", country="-"'),
    ("INFO timeout_turn 100", ""), ("INFO time_left oops", ""),
    ("BEGIN", "10,10"),
    ("TURN 20,3", "ERROR bad move 20,3"), ("TURN 10,10", "ERROR bad move 10,10"),
    ("TURN -1,-1", "ERROR bad move -1,-1"), ("TURN 3,3", FREE),
    ("FOO 1", "UNKNOWN"), ("TAKEBACK 3,3", "ERROR cannot take back 3,3"),
    # A new game from a BOARD block: the opponent (2) has four in a row, we must block it;
    # off-board, malformed and repeated stone lines are ignored.
    ("BOARD\n5,5,2\n6,5,2\n7,5,2\n8,5,2\n4,5,1\n0,0,1\n25,3,1\nnonsense\n5,5,1\nDONE", "9,5"),
    ("START 20", "OK"), ("BEGIN", "10,10"), ("TURN 10,11", FREE), ("RESTART", "OK"),
]

commands = "".join(command.replace("\n", "\r\n") + "\r\n" for command, _ in SCRIPT) + "END\r\n"
done = subprocess.run([sys.argv[1]], input=commands.encode(), capture_output=True, timeout=60)
answers = done.stdout.decode().split("\r\n")
assert answers.pop() == "" and done.returncode == 0, (done.stdout, done.returncode)
expected = [(command, want) for command, want in SCRIPT if want != ""]
assert len(answers) == len(expected), answers
for (command, want), got in zip(expected, answers):
    played = ["10,10", command[5:]]
    x, y = (int(v) for v in got.split(",")) if want is FREE else (0, 0)
    assert got == want or (want is FREE and 0 <= x < 20 and 0 <= y < 20 and got not in played), \
        (command, got, want)
print("protocol ok: %d answers" % len(answers))
