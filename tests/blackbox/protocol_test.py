"""Black-box runs of the pbrain-ruvex binary through pipes.

Usage: protocol_test.py [--runner PROGRAM]... PATH_TO_PBRAIN_RUVEX [unittest options]

Each --runner word goes before the binary on its command line, e.g.
--runner wine for a Windows build.
"""

import os
import shutil
import subprocess
import sys
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
    return subprocess.run(
        RUNNER + [binary or BINARY],
        input=stdin_bytes,
        capture_output=True,
        timeout=60,
        cwd=cwd,
    )


def lines(output):
    """Answer lines; every one must end in CR LF."""
    assert output.endswith(b"\r\n") or output == b"", output
    return [line + b"\r\n" for line in output.split(b"\r\n")[:-1]]


class ProcessTest(unittest.TestCase):
    def test_end_alone_exits_zero_and_writes_nothing(self):
        result = run(b"END\r\n")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(result.stderr, b"")

    def test_about_answers_the_identity_line(self):
        result = run(b"ABOUT\r\nEND\r\n")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, IDENTITY)

    def test_closed_input_exits_zero(self):
        result = run(b"")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"")
        # A last line without CR LF is still carried out before the end.
        result = run(b"ABOUT")
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, IDENTITY)

    def test_stdout_carries_only_answer_lines(self):
        commands = (
            b"INFO timeout_turn 1000\r\n"
            b"INFO timeout_match 0\r\n"
            b"INFO rule 1\r\n"
            b"ABOUT\r\n"
            b"RESTART\r\n"
            b"BOARD\r\n1,1,2\r\nbogus\r\nDONE\r\n"
            b"END\r\n"
            b"ABOUT\r\n"
        )
        result = run(commands)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(lines(result.stdout), [IDENTITY, b"UNKNOWN\r\n", NO_GAME])
        self.assertEqual(result.stderr, b"")

    def test_answers_are_flushed_at_once_and_a_split_command_is_two_pieces(self):
        process = subprocess.Popen(
            RUNNER + [BINARY], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE
        )
        try:
            def send(data):
                process.stdin.write(data)
                process.stdin.flush()

            # Each answer arrives while the input is still open. "ABO" is
            # answered before "UT" is sent, so the two parts are two reads.
            send(b"ABO")
            self.assertEqual(process.stdout.readline(), b"UNKNOWN\r\n")
            send(b"UT\r\n")
            self.assertEqual(process.stdout.readline(), b"UNKNOWN\r\n")
            send(b"ABOUT\r\n")
            self.assertEqual(process.stdout.readline(), IDENTITY)
            process.stdin.close()
            self.assertEqual(process.wait(timeout=60), 0)
            self.assertEqual(process.stdout.read(), b"")
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
            process.stdout.close()
            process.stderr.close()

    def run_copy(self, commands, brain=None, brain_in_cwd=False):
        """Runs a copy of the binary in a directory of its own; brain is the
        content of the brain.map put beside it (None: no file)."""
        directory = tempfile.mkdtemp(prefix="ruvex-blackbox-")
        try:
            exe_dir = os.path.join(directory, "exe")
            work_dir = os.path.join(directory, "work")
            os.mkdir(exe_dir)
            os.mkdir(work_dir)
            binary = os.path.join(exe_dir, os.path.basename(BINARY))
            shutil.copy2(BINARY, binary)
            if brain is not None:
                target = work_dir if brain_in_cwd else exe_dir
                with open(os.path.join(target, "brain.map"), "wb") as f:
                    f.write(brain)
            return run(commands, binary=binary, cwd=work_dir)
        finally:
            shutil.rmtree(directory)

    def test_start_without_brain_map_says_ok_then_not_found_and_exits(self):
        for brain, in_cwd in ((None, False), (b"", False), (bytes(68680), True)):
            with self.subTest(brain=None if brain is None else len(brain), in_cwd=in_cwd):
                result = self.run_copy(b"START 20\r\nABOUT\r\n", brain, in_cwd)
                self.assertEqual(result.returncode, 0)
                # Nothing after the not-found line: ABOUT is never read.
                self.assertEqual(result.stdout, b"OK\r\n" + BRAIN_MISSING)

    def test_start_with_brain_map_loads_and_plays(self):
        result = self.run_copy(b"START 20\r\nBEGIN\r\nEND\r\n", bytes(68680))
        self.assertEqual(result.returncode, 0)
        self.assertEqual(result.stdout, b"OK\r\n" + BRAIN_FOUND + b"10,10\r\n")


if __name__ == "__main__":
    runner, BINARY, argv = command_line.parse("protocol_test.py")
    RUNNER.extend(runner)
    unittest.main(argv=argv, verbosity=2)
