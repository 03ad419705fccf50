"""Command line: python3 tools/arena {match,watch,play,serve} ..."""

import argparse
import os
import sys

from .board import BLACK, WHITE
from .brain import BrainSpec
from .game import BrainPlayer, GameConfig, play_game
from .match import MatchOptions, ProtocolLog, run_match
from .openings import make_openings
from .terminal import BoardPrinter, HumanPlayer


def _add_clock_options(parser, turn_ms):
    group = parser.add_argument_group("time and limits")
    group.add_argument("--turn-ms", type=int, default=turn_ms,
                       help="time per move sent as INFO timeout_turn (default %(default)s)")
    group.add_argument("--match-ms", type=int, default=0,
                       help="time per brain for the whole game, INFO timeout_match; "
                            "0 = no match clock (default)")
    group.add_argument("--tolerance-ms", type=int, default=500,
                       help="a reply may exceed the limits by this much before it forfeits "
                            "(default %(default)s)")
    group.add_argument("--max-memory-mb", type=int, default=350,
                       help="sent as INFO max_memory (reported, not enforced; default "
                            "%(default)s)")
    group.add_argument("--start-timeout-ms", type=int, default=10000,
                       help="time to answer START and ABOUT (default %(default)s)")
    group.add_argument("--end-timeout-ms", type=int, default=3000,
                       help="time to exit after END before the brain is killed "
                            "(default %(default)s)")
    group.add_argument("--max-moves", type=int, default=0,
                       help="stones on the board at which the game is drawn; 0 = play on "
                            "until a five or a full board (default)")


def _add_opening_options(parser, stones):
    parser.add_argument("--opening-stones", type=int, default=stones,
                        help="stones in each opening; 0 = empty board (default %(default)s)")
    parser.add_argument("--seed", type=int, default=1,
                        help="seed of the opening suite (default %(default)s)")


def build_parser():
    parser = argparse.ArgumentParser(
        prog="python3 tools/arena",
        description="Match manager for Gomocup-protocol brains. A brain is a program path, or "
                    "a quoted command with arguments, e.g. 'tools/arena/brains/pbrain-threat "
                    "--seed 3'. Each brain runs in the directory of its program.")
    sub = parser.add_subparsers(dest="mode", required=True)

    match = sub.add_parser("match", help="play N games between brain A and brain B")
    match.add_argument("brain_a")
    match.add_argument("brain_b")
    match.add_argument("-n", "--games", type=int, default=2,
                       help="number of games; each opening is played twice with colours "
                            "swapped (default %(default)s)")
    _add_opening_options(match, 3)
    _add_clock_options(match, 1000)
    for label in ("a", "b"):
        match.add_argument("--turn-ms-" + label, type=int, default=None,
                           help="brain %s's time per move, instead of --turn-ms"
                                % label.upper())
        match.add_argument("--match-ms-" + label, type=int, default=None,
                           help="brain %s's time for the whole game, instead of --match-ms"
                                % label.upper())
    match.add_argument("--reuse-process", action="store_true",
                       help="keep each brain's process for the whole match and send START "
                            "before every game, as some tournament managers do")
    match.add_argument("--psq-dir", help="write game records (gameNNN.psq) here")
    match.add_argument("--json", dest="json_path", help="write the JSON summary to this file")
    match.add_argument("--log-dir", help="write each brain's protocol log and stderr here")
    match.add_argument("-v", "--verbose", action="store_true",
                       help="show the brains' MESSAGE and DEBUG lines")
    match.add_argument("--expect-score", type=float, default=None,
                       help="exit with status 1 when A scores less than this fraction "
                            "(e.g. 0.75)")

    watch = sub.add_parser("watch", help="play one game and draw the board after every move")
    watch.add_argument("black", help="the brain playing black")
    watch.add_argument("white", nargs="?", help="the brain playing white (default: another "
                                                 "instance of the black brain)")
    _add_opening_options(watch, 0)
    _add_clock_options(watch, 1000)
    watch.add_argument("--clear", action="store_true", help="redraw in place (ANSI terminal)")
    watch.add_argument("--log-dir", help="write each brain's protocol log and stderr here")
    watch.add_argument("--psq", help="write the game record to this file")

    play = sub.add_parser("play", help="play against a brain in the terminal (moves as x,y)")
    play.add_argument("brain")
    play.add_argument("--colour", "--color", choices=("black", "white"), default="black",
                      help="your colour; black moves first on an empty board (default black)")
    _add_opening_options(play, 0)
    _add_clock_options(play, 2000)

    serve = sub.add_parser("serve", help="a board in the browser: play a brain, watch two "
                                         "brains, replay .psq records")
    serve.add_argument("brains", nargs="*", help="the brains the page offers (default: "
                       "build/release/bin/pbrain-ruvex when built, and the reference brains)")
    serve.add_argument("--port", type=int, default=0,
                       help="port on 127.0.0.1; 0 = any free port (default)")
    serve.add_argument("--open", action="store_true", help="open the page in a web browser")
    _add_opening_options(serve, 0)
    _add_clock_options(serve, 1000)
    return parser


def _config(args, game_type, turn_ms=None, match_ms=None):
    return GameConfig(turn_ms=args.turn_ms if turn_ms is None else turn_ms,
                      match_ms=args.match_ms if match_ms is None else match_ms,
                      tolerance_ms=args.tolerance_ms, max_memory_mb=args.max_memory_mb,
                      start_timeout_ms=args.start_timeout_ms,
                      end_timeout_ms=args.end_timeout_ms, max_moves=args.max_moves,
                      game_type=game_type)


def _spec(parser, text):
    try:
        spec = BrainSpec.parse(text)
    except ValueError as exc:
        parser.error("bad brain %r: %s" % (text, exc))
    problem = spec.check()
    if problem:
        parser.error(problem)
    return spec


def _validate(parser, args):
    if args.turn_ms <= 0:
        parser.error("--turn-ms must be positive")
    for label in ("a", "b"):
        turn, match = (getattr(args, "%s_ms_%s" % (kind, label), None)
                       for kind in ("turn", "match"))
        if turn is not None and turn <= 0:
            parser.error("--turn-ms-%s must be positive" % label)
        if match is not None and match < 0:
            parser.error("--match-ms-%s must not be negative" % label)
    for name in ("match_ms", "tolerance_ms", "max_memory_mb", "start_timeout_ms",
                 "end_timeout_ms", "max_moves", "opening_stones"):
        if getattr(args, name) < 0:
            parser.error("--%s must not be negative" % name.replace("_", "-"))
    if args.opening_stones > 6:
        parser.error("--opening-stones must be 6 or less")


def _opening(parser, args):
    try:
        return make_openings(1, args.opening_stones, args.seed)[0]
    except ValueError as exc:
        parser.error(str(exc))


def main(argv=None):
    parser = build_parser()
    args = parser.parse_args(argv)
    _validate(parser, args)
    if args.mode == "match":
        if args.games <= 0:
            parser.error("--games must be positive")
        spec_a, spec_b = _spec(parser, args.brain_a), _spec(parser, args.brain_b)
        options = MatchOptions(games=args.games, opening_stones=args.opening_stones,
                               seed=args.seed, psq_dir=args.psq_dir, json_path=args.json_path,
                               log_dir=args.log_dir, verbose=args.verbose,
                               reuse_process=args.reuse_process)
        try:
            limits = {label.upper(): _config(args, 1, getattr(args, "turn_ms_" + label),
                                             getattr(args, "match_ms_" + label))
                      for label in ("a", "b")}
            summary = run_match(spec_a, spec_b, _config(args, 1), options, limits=limits)
        except KeyboardInterrupt:
            sys.stderr.write("interrupted\n")
            return 130
        if args.expect_score is not None:
            score = summary["a_score"]
            if score is None or score < args.expect_score:
                sys.stderr.write("A scored %s, less than the expected %.3f\n"
                                 % ("nothing" if score is None else "%.3f" % score,
                                    args.expect_score))
                return 1
        return 0

    if args.mode == "watch":
        black = _spec(parser, args.black)
        white = _spec(parser, args.white) if args.white else black
        opening = _opening(parser, args)
        players, logs = [], []
        for label, spec in (("black", black), ("white", white)):
            log = stderr_path = None
            if args.log_dir:
                os.makedirs(args.log_dir, exist_ok=True)
                stem = os.path.join(args.log_dir, "watch-" + label)
                log = ProtocolLog(stem + ".log")
                logs.append(log)
                stderr_path = stem + ".stderr"
            players.append(BrainPlayer(
                spec, log=log, stderr_path=stderr_path,
                on_message=lambda text, label=label: print("  (%s) %s" % (label, text))))
        printer = BoardPrinter(clear=args.clear)
        try:
            record = play_game(players[0], players[1], opening, _config(args, 1),
                               observer=printer)
        except KeyboardInterrupt:
            sys.stderr.write("interrupted\n")
            return 130
        finally:
            for log in logs:
                log.close()
        if args.psq:
            from .psq import write_psq
            write_psq(args.psq, [(x, y, ms) for (x, y, ms, _) in record.moves],
                      record.names[BLACK], record.names[WHITE])
        if record.reason == "aborted":
            sys.stderr.write("no game was played: neither brain got through START and ABOUT\n")
            return 1
        return 0

    if args.mode == "serve":
        from .serve import serve_main
        if not 0 <= args.port <= 65535:
            parser.error("--port must be 0-65535")
        return serve_main([_spec(parser, text) for text in args.brains], _config(args, 1),
                          _opening(parser, args), args.port, args.open)

    # play
    spec = _spec(parser, args.brain)
    opening = _opening(parser, args)
    brain = BrainPlayer(spec, on_message=lambda text: print("  (brain) %s" % text))
    human = HumanPlayer()
    black, white = (human, brain) if args.colour == "black" else (brain, human)
    print("You play %s (%s). Type moves as x,y with x the column and y the row, 0-19 as drawn "
          "on the edges." % (args.colour, "X" if args.colour == "black" else "O"))
    try:
        play_game(black, white, opening, _config(args, 0), observer=BoardPrinter())
    except KeyboardInterrupt:
        sys.stderr.write("interrupted\n")
        return 130
    return 0
