"""Black-box run of pbrain-tactic through a pipe: every command, bad input, two games.

Usage: protocol_test.py PATH_TO_PBRAIN_TACTIC
"""

import subprocess
import sys

SCRIPT = [
    ("TURN 1,1", "ERROR no game started, send START first"),
    ("START 15", "ERROR only the 20x20 board is supported"),
    ("START 20", "OK"),
    ("ABOUT", 'name="pbrain-tactic", version="1.0", author="Ruvex", country="-"'),
    ("INFO timeout_turn 100", None),
    ("INFO time_left oops", None),
    ("BEGIN", "10,10"),
    ("TURN 20,3", "ERROR bad move 20,3"),
    ("TURN 10,10", "ERROR bad move 10,10"),
    ("TURN -1,-1", "ERROR bad move -1,-1"),
    ("TURN 3,3", {"10,10", "3,3"}),  # any free cell of the board
    ("FOO 1", "UNKNOWN"),
    ("TAKEBACK 3,3", "ERROR cannot take back 3,3"),
    # A new game from a BOARD block: the opponent (2) has four in a row, we must block it;
    # off-board, malformed and repeated stone lines are ignored.
    ("BOARD\n5,5,2\n6,5,2\n7,5,2\n8,5,2\n4,5,1\n0,0,1\n25,3,1\nnonsense\n5,5,1\nDONE", "9,5"),
    ("START 20", "OK"),
    ("BEGIN", "10,10"),
    ("TURN 10,11", {"10,10", "10,11"}),
    ("RESTART", "OK"),
]


def main():
    binary = sys.argv[1]
    commands = "".join(command.replace("\n", "\r\n") + "\r\n" for command, _ in SCRIPT)
    done = subprocess.run([binary], input=(commands + "END\r\n").encode(), capture_output=True,
                          timeout=60)
    answers = done.stdout.decode().split("\r\n")
    assert answers.pop() == "", "the output must end in CR LF"
    assert len(answers) == len([s for s in SCRIPT if s[1] is not None]), answers
    for (command, want), got in zip([s for s in SCRIPT if s[1] is not None], answers):
        if isinstance(want, set):
            x, y = (int(v) for v in got.split(","))
            assert 0 <= x < 20 and 0 <= y < 20 and got not in want, (command, got)
        else:
            assert got == want, (command, got, want)
    assert done.returncode == 0, done.returncode
    print("protocol ok: %d answers" % len(answers))


if __name__ == "__main__":
    main()
