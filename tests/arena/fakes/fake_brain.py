"""A small brain that misbehaves on purpose, for the arena's tests.

Usage: fake_brain.py MODE [--at N] [--parity P] [--record FILE] [--sleep S] [--mb M]

It reads raw chunks and cuts them at CR LF only, as our engine does, so an arena that sent
bare LF would be noticed. Its normal move is the first free cell next to a stone, scanning x
then y (10,10 on an empty board). On its N-th move request (--at, default 1) it misbehaves
as MODE says: off-board (25,3), occupied (the last stone's cell), garbage, error, slow
(sleeps), exit (status 3), silent, flood-msg (MESSAGE lines), flood-raw (bytes, no line end),
memory (holds M MB). Other modes: good, pattern (fills cells whose (x//2 + y) % 2 is the
parity: a full board without a five), lf (LF line ends), chatty (MESSAGE and DEBUG lines
before each move), hang-end (ignores END), slow-start (sleeps before OK and the ABOUT
answer), no-ok (answers START with ERROR), die-start (exits before reading).
"""

import os
import sys
import time

CELLS = [(x, y) for x in range(20) for y in range(20)]


def main():
    mode, options = sys.argv[1], dict(zip(sys.argv[2::2], sys.argv[3::2]))
    at, parity = int(options.get("--at", 1)), int(options.get("--parity", 0))
    sleep, mb, path = float(options.get("--sleep", 1)), int(options.get("--mb", 64)), options.get(
        "--record")
    if mode == "die-start":
        sys.exit(4)
    record = open(path, "ab") if path else None
    board, last, requests, board_mode, ballast = {}, None, 0, False, None
    end = b"\n" if mode == "lf" else b"\r\n"

    def write(text):
        os.write(1, text.encode() + end)

    def normal_move():
        free = [c for c in CELLS if c not in board]
        mine = [(x, y) for x, y in free if mode == "pattern" and (x // 2 + y) % 2 == parity]
        near = [(x, y) for x, y in free if any((x + dx, y + dy) in board
                                               for dx in (-1, 0, 1) for dy in (-1, 0, 1))]
        return (mine or near or free)[0] if board else (10, 10)

    def answer_move():
        nonlocal requests, ballast
        requests += 1
        replies = {"off-board": "25,3", "occupied": "%d,%d" % (last or (0, 0)),
                   "garbage": "hello there", "error": "ERROR cannot think"}
        if requests == at:
            if mode in replies:
                return write(replies[mode])
            if mode == "slow":
                time.sleep(sleep)
            if mode == "exit":
                sys.exit(3)
            if mode == "silent":
                return None
            while mode == "flood-msg":
                write("MESSAGE " + "x" * 100)
            while mode == "flood-raw":
                os.write(1, b"z" * 4096)
            if mode == "memory":
                ballast = bytearray(mb * 1048576)
                for i in range(0, len(ballast), 4096):
                    ballast[i] = 1
        if mode == "chatty":
            write("MESSAGE thinking about 3,4")
            write("DEBUG depth 1")
            write("")
        x, y = normal_move()
        board[(x, y)] = 1
        return write("%d,%d" % (x, y))

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
        for text in (piece.decode("latin-1") for piece in pieces):
            if board_mode and text == "DONE":
                board_mode = False
                answer_move()
            elif board_mode or text.startswith("TURN "):
                x, y, *who = (int(v) for v in text.replace("TURN ", "").split(","))
                board[(x, y)] = who[0] if who else 2
                last = (x, y)
                if not board_mode:
                    answer_move()
            elif text.startswith("START") or text == "ABOUT":
                if mode == "slow-start":
                    time.sleep(sleep)
                if text == "ABOUT":
                    write('name="Fake-%s", version="1"' % mode)
                elif mode == "no-ok":
                    write("ERROR no")
                else:
                    write("OK")
                    write("MESSAGE fake brain ready")
            elif text == "BEGIN":
                answer_move()
            elif text == "BOARD":
                board_mode = True
            elif text == "END":
                if mode == "hang-end":
                    time.sleep(60)
                return
            elif not text.startswith("INFO"):
                write("UNKNOWN")


if __name__ == "__main__":
    main()
