"""Ruvex arena: a match manager for Gomocup-protocol brains (Python standard library only)."""

BOARD_SIZE = 20
