"""A small brain that misbehaves on purpose, for the arena's tests.

Usage: fake_brain.py MODE [--at N] [--parity P] [--record FILE] [--sleep S]

It reads raw chunks of up to 1024 bytes and cuts them at CR LF only, as our engine does, so
an arena that sent bare LF would be noticed. Its normal move is the first free cell next to a
stone, scanning x then y (10,10 on an empty board). On its N-th move request (--at, default 1)
it does what MODE says:

  good        nothing special
  off-board   answers 25,3
  occupied    answers the cell of the last stone on the board
  garbage     answers "hello there"
  error       answers "ERROR cannot think"
  slow        sleeps --sleep seconds, then answers
  exit        exits with status 3
  silent      never answers (keeps reading)
  flood-msg   writes MESSAGE lines without end
  flood-raw   writes bytes without a line end, without end
  pattern     plays the first free cell whose colour (x//2 + y) % 2 equals --parity
              (fills the board without a five)
  lf          answers with LF line ends only
  chatty      writes MESSAGE and DEBUG lines (and a move-like MESSAGE) before each answer
  memory      holds --mb megabytes before answering
  hang-end    ignores END and sleeps
  slow-start  sleeps --sleep seconds before answering START and ABOUT
  no-ok       answers START with "ERROR no"
  die-start   exits at once, before reading anything
"""

import argparse
import os
import sys
import time

SIZE = 20


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode")
    parser.add_argument("--at", type=int, default=1)
    parser.add_argument("--parity", type=int, default=0)
    parser.add_argument("--record")
    parser.add_argument("--sleep", type=float, default=1.0)
    parser.add_argument("--mb", type=int, default=64)
    args = parser.parse_args()
    mode = args.mode
    if mode == "die-start":
        sys.exit(4)
    record = open(args.record, "ab") if args.record else None
    board = {}
    requests = 0
    board_mode = False
    ballast = None
    end = b"\n" if mode == "lf" else b"\r\n"

    def write(text):
        os.write(1, text.encode() + end)

    def normal_move():
        if not board:
            return (10, 10)
        if mode == "pattern":
            for x in range(SIZE):
                for y in range(SIZE):
                    if (x, y) not in board and (x // 2 + y) % 2 == args.parity:
                        return (x, y)
        for x in range(SIZE):
            for y in range(SIZE):
                if (x, y) in board:
                    continue
                for dx in (-1, 0, 1):
                    for dy in (-1, 0, 1):
                        if (x + dx, y + dy) in board:
                            return (x, y)
        for x in range(SIZE):
            for y in range(SIZE):
                if (x, y) not in board:
                    return (x, y)
        return (0, 0)

    def answer_move():
        nonlocal requests, ballast
        requests += 1
        if requests == args.at:
            if mode == "off-board":
                return write("25,3")
            if mode == "occupied":
                x, y = last[0]
                return write("%d,%d" % (x, y))
            if mode == "garbage":
                return write("hello there")
            if mode == "error":
                return write("ERROR cannot think")
            if mode == "slow":
                time.sleep(args.sleep)
            if mode == "exit":
                sys.exit(3)
            if mode == "silent":
                return None
            if mode == "flood-msg":
                while True:
                    write("MESSAGE " + "x" * 100)
            if mode == "flood-raw":
                while True:
                    os.write(1, b"z" * 4096)
            if mode == "memory":
                ballast = bytearray(args.mb * 1048576)
                for i in range(0, len(ballast), 4096):
                    ballast[i] = 1
        if mode == "chatty":
            write("MESSAGE thinking about 3,4")
            write("DEBUG depth 1")
            write("")
        x, y = normal_move()
        board[(x, y)] = 1
        write("%d,%d" % (x, y))
        return None

    last = [None]
    pending = b""
    while True:
        try:
            chunk = os.read(0, 1024)
        except OSError:
            chunk = b""
        if not chunk:
            return
        if record:
            record.write(chunk)
            record.flush()
        pending += chunk
        *pieces, pending = pending.split(b"\r\n")
        for piece in pieces:
            text = piece.decode("latin-1")
            if board_mode:
                if text == "DONE":
                    board_mode = False
                    answer_move()
                else:
                    x, y, who = (int(v) for v in text.split(","))
                    board[(x, y)] = who
                    last[0] = (x, y)
                continue
            if text.startswith("START"):
                if mode == "slow-start":
                    time.sleep(args.sleep)
                if mode == "no-ok":
                    write("ERROR no")
                    continue
                write("OK")
                write("MESSAGE fake brain ready")
            elif text == "ABOUT":
                if mode == "slow-start":
                    time.sleep(args.sleep)
                write('name="Fake-%s", version="1"' % mode)
            elif text.startswith("INFO"):
                pass
            elif text == "BEGIN":
                answer_move()
            elif text.startswith("TURN "):
                x, y = (int(v) for v in text[5:].split(","))
                board[(x, y)] = 2
                last[0] = (x, y)
                answer_move()
            elif text == "BOARD":
                board_mode = True
            elif text == "END":
                if mode == "hang-end":
                    time.sleep(60)
                return
            else:
                write("UNKNOWN")


if __name__ == "__main__":
    main()
