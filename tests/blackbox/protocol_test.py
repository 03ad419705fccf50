"""Black-box runs of the pbrain-ruvex binary through pipes.

Usage: protocol_test.py [--runner PROGRAM]... PATH_TO_PBRAIN_RUVEX [unittest options]
(each --runner word goes before the binary, e.g. --runner wine for a Windows build)."""

import os
import shutil
import subprocess
import tempfile
import unittest

import command_line

BINARY = None
RUNNER = []  # words before the binary on its command line
IDENTITY = b'name="Ruvex", version="v2.0.0", author="Tolvane", country="Castria"\r\n'
NO_GAME = b"ERROR no game started, send START first\r\n"
BRAIN_FOUND = b"MESSAGE brain.map found, Loading neurons...\r\n"
BRAIN_MISSING = (
    b"MESSAGE 'brain.map' not found!!!  Quitting!  please make sure 'brain.map' is in the "
    b"same directory as the exe file.\r\n"
)


def run(stdin_bytes, binary=None, cwd=None):
    """Runs the engine with the given input (stdin is closed after it)."""
    return subprocess.run(RUNNER + [binary or BINARY], input=stdin_bytes, capture_output=True,
                          timeout=60, cwd=cwd)


class ProcessTest(unittest.TestCase):
    def test_answers_exit_code_and_nothing_else(self):
        cases = [
            (b"END\r\n", b""),
            (b"", b""),  # input closed at once
            (b"ABOUT", IDENTITY),  # a last line without CR LF is still carried out
            (b"INFO timeout_turn 1000\r\nINFO timeout_match 0\r\nINFO rule 1\r\nABOUT\r\n"
             b"RESTART\r\nBOARD\r\n1,1,2\r\nbogus\r\nDONE\r\nEND\r\nABOUT\r\n",
             IDENTITY + b"UNKNOWN\r\n" + NO_GAME),
        ]
        for commands, answers in cases:
            with self.subTest(commands=commands[:40]):
                result = run(commands)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (0, answers, b""))

    def test_answers_are_flushed_at_once_and_a_split_command_is_two_pieces(self):
        # Each answer arrives while the input is still open. "ABO" is answered before "UT"
        # is sent, so the two parts are two reads.
        with subprocess.Popen(RUNNER + [BINARY], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE) as process:
            for sent, answer in ((b"ABO", b"UNKNOWN\r\n"), (b"UT\r\n", b"UNKNOWN\r\n"),
                                 (b"ABOUT\r\n", IDENTITY)):
                process.stdin.write(sent)
                process.stdin.flush()
                self.assertEqual(process.stdout.readline(), answer)
            process.stdin.close()
            self.assertEqual((process.wait(timeout=60), process.stdout.read()), (0, b""))

    def test_a_closed_output_pipe_still_ends_with_exit_code_zero(self):
        with subprocess.Popen(RUNNER + [BINARY], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE) as process:
            process.stdout.close()  # the manager stopped reading
            try:
                process.stdin.write(b"ABOUT\r\nABOUT\r\nEND\r\n")
                process.stdin.close()
            except BrokenPipeError:
                pass  # the engine is gone already; its exit code tells how
            self.assertEqual(process.wait(timeout=60), 0)

    def test_brain_map_is_read_from_beside_the_executable_only(self):
        # A zero brain.map in the working directory (not found: ABOUT is never read), then
        # beside the binary. (in the working directory, input, output)
        cases = [
            (True, b"START 20\r\nABOUT\r\n", b"OK\r\n" + BRAIN_MISSING),
            (False, b"START 20\r\nBEGIN\r\nEND\r\n", b"OK\r\n" + BRAIN_FOUND + b"10,10\r\n"),
        ]
        for in_cwd, commands, answers in cases:
            with self.subTest(in_cwd=in_cwd), \
                    tempfile.TemporaryDirectory(prefix="ruvex-blackbox-") as directory:
                exe, work = os.path.join(directory, "exe"), os.path.join(directory, "work")
                os.mkdir(exe)
                os.mkdir(work)
                binary = shutil.copy2(BINARY, exe)
                with open(os.path.join(work if in_cwd else exe, "brain.map"), "wb") as f:
                    f.write(bytes(68680))
                result = run(commands, binary=binary, cwd=work)
                self.assertEqual((result.returncode, result.stdout), (0, answers))


if __name__ == "__main__":
    runner, BINARY, argv = command_line.parse("protocol_test.py")
    RUNNER.extend(runner)
    unittest.main(argv=argv, verbosity=2)
