"""Entry point for `python3 tools/arena ...` (the folder itself is runnable)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from arena.cli import main  # noqa: E402

sys.exit(main())
