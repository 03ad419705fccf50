"""Game records in the piskvork .psq layout.

    Piskvorky 20x20, 11:11, 0
    x,y,ms          one line per stone in the order played (opening stones first, ms 0),
                    1-based coordinates, ms the milliseconds the mover spent
    black brain's name
    white brain's name
    -1

Lines end in CR LF, as piskvork writes them.
"""

HEADER = "Piskvorky 20x20, 11:11, 0"


def psq_text(moves, black_name, white_name):
    """moves: (x, y, ms) with 0-based protocol coordinates."""
    lines = [HEADER]
    for x, y, ms in moves:
        lines.append("%d,%d,%d" % (x + 1, y + 1, ms))
    for name in (black_name, white_name):
        lines.append(" ".join(str(name).split()) or "?")
    lines.append("-1")
    return "".join(line + "\r\n" for line in lines)


def write_psq(path, moves, black_name, white_name):
    with open(path, "w", encoding="utf-8", newline="") as handle:
        handle.write(psq_text(moves, black_name, white_name))


def read_psq(text):
    """(moves, names) from .psq text; moves as 0-based (x, y, ms). For checks and tools."""
    lines = [line for line in text.replace("\r\n", "\n").split("\n")]
    if not lines or not lines[0].startswith("Piskvorky"):
        raise ValueError("not a piskvork record")
    moves, names = [], []
    for line in lines[1:]:
        if line == "-1":
            break
        parts = line.split(",")
        if len(parts) == 3 and all(p.strip().lstrip("-").isdigit() for p in parts):
            moves.append((int(parts[0]) - 1, int(parts[1]) - 1, int(parts[2])))
        elif line:
            names.append(line)
    return moves, names
