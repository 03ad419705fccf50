// Every number that shapes pbrain-tactic's play, with the reason for its value.
#pragma once

#include <cstdint>

namespace ruvex::tactic {

struct Tunables {
  // Static evaluation: points per line level a stone on an empty cell would make
  // (none, one, two, open two, three, open three, four, open four, five). Open shapes
  // are worth several closed ones because only they grow into unstoppable threats.
  static constexpr int kLevelScore[9] = {0, 1, 6, 24, 20, 120, 140, 2000, 10000};
  // Extra points for a cell that makes two threats at once (three-three, four-three,
  // double four): the combinations that win by force if left alone.
  static constexpr int kComboThreeThree = 400;
  static constexpr int kComboFourThree = 1500;
  // The side to move realises one of its threats first, so its potential counts more
  // (in tenths: 12 = 1.2 times the opponent's).
  static constexpr int kTempoTenths = 12;

  // Alpha-beta candidates: the quiet moves kept per node, best by attack + defence value.
  // Wide at the root (a missed quiet defence loses), narrow deeper (depth pays more): with
  // 10,000 nodes a move, 8 inner moves beat pbrain-threat 97/100 and 94/100 (seeds 1, 2)
  // where 10 did 92 and 89, 6 did 93, and 16 root moves instead of 24 did 86.
  static constexpr int kRootWidth = 24;
  static constexpr int kInnerWidth = 8;
  // Forced replies (blocking a four) do not use up depth, up to this many plies.
  static constexpr int kMaxPly = 48;

  // Solvers. VCF lines longer than this many attacker moves are not searched: the
  // longest wins seen in games are well under it, and each extra move costs nodes.
  static constexpr int kVcfDepth = 24;
  // VCT: attacker threes (non-four threats) allowed on one line.
  static constexpr int kVctDepth = 5;
  // Node budget of the VCF run at every alpha-beta leaf where the mover has a four:
  // small, because it runs at every such leaf; it still finds the short wins.
  static constexpr int kLeafVcfNodes = 40;
  // VCF run inside a VCT defence node to see whether the attacker threatens one.
  static constexpr int kVctInnerVcfNodes = 200;

  // Share of a move's budget for each root phase (percent). VCF is cheap and exact. The
  // defence check (does the opponent threaten a VCF or VCT, which moves refute it) gets the
  // most: a missed opponent VCT is the commonest way to lose against a greedy attacker, and
  // finding one took about 16,000 nodes in the positions that lost. Alpha-beta gets the rest.
  static constexpr int kVcfShare = 5;
  static constexpr int kDefenceShare = 45;
  static constexpr int kVctShare = 10;

  // Time: plan to use this share of the turn (percent), leaving room for a loaded
  // machine and pipe latency; a new alpha-beta iteration starts only while less than
  // kStartIterationShare of the turn is used (the plan's hard stop cuts the last one short).
  static constexpr int kTurnShare = 70;
  static constexpr int kStartIterationShare = 50;
  // Fixed reserve (ms) subtracted from every turn for start-up and output.
  static constexpr int kReserveMs = 10;
  // With a match clock, assume at least this many moves still to play.
  static constexpr int kMovesToGo = 25;
  // Nodes searched per millisecond when turning a time plan into solver budgets:
  // a low estimate, so the solvers never use more than their share.
  static constexpr int kNodesPerMs = 150;
  // The clock is read once per this many nodes.
  static constexpr int kClockInterval = 256;
};

}  // namespace ruvex::tactic
