"""Match arithmetic: score, Elo difference and its 95% interval.

Elo difference from a score fraction s (wins plus half the draws, over the games):
    elo(s) = -400 * log10(1/s - 1)
so 75% gives +190.8, 50% gives 0, 25% gives -190.8. A score of 100% is +infinity and 0%
is -infinity: they are reported as such (JSON: null with the text "+inf" / "-inf"), never
capped to a made-up number.

The 95% interval maps s +- 1.959964 standard errors to Elo, the standard error coming from
the spread of the per-game scores (1, 1/2, 0): se = sqrt(var / n) with
var = (W (1-s)^2 + D (1/2-s)^2 + L s^2) / n. Ends at or beyond 0% or 100% are infinite. When every game ended alike the spread is zero
and that interval would collapse to a point; the Wilson score interval for n games is used
instead (4 wins out of 4 gives +7.0 .. +inf).
"""

import math

Z95 = 1.959963984540054


def elo_from_score(s):
    if s <= 0.0:
        return -math.inf
    if s >= 1.0:
        return math.inf
    return -400.0 * math.log10(1.0 / s - 1.0) + 0.0  # + 0.0 turns -0.0 into 0.0


def score_fraction(wins, draws, losses):
    games = wins + draws + losses
    if games == 0:
        return None
    return (wins + 0.5 * draws) / games


def elo_interval(wins, draws, losses):
    """(elo, low, high) for the first player; None when no game counted."""
    games = wins + draws + losses
    s = score_fraction(wins, draws, losses)
    if s is None:
        return None
    var = (wins * (1.0 - s) ** 2 + draws * (0.5 - s) ** 2 + losses * s ** 2) / games
    if var == 0.0:
        z2 = Z95 * Z95
        centre = (s + z2 / (2 * games)) / (1 + z2 / games)
        half = Z95 / (1 + z2 / games) * math.sqrt(s * (1 - s) / games + z2 / (4 * games * games))
        return elo_from_score(s), elo_from_score(centre - half), elo_from_score(centre + half)
    se = math.sqrt(var / games)
    return elo_from_score(s), elo_from_score(s - Z95 * se), elo_from_score(s + Z95 * se)


def elo_text(value):
    if value is None:
        return "n/a"
    if math.isinf(value):
        return "+inf" if value > 0 else "-inf"
    return "%+.1f" % value


def json_number(value):
    """A finite number for JSON, or None for infinities."""
    if value is None or math.isinf(value) or math.isnan(value):
        return None
    return round(value, 1)
