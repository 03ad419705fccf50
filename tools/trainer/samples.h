// Training samples: one per candidate cell of a position, the cell's 9 x 9
// window encoded from the side to move's view exactly as the engine encodes
// it, with the teacher's target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "board/board.h"
#include "trainer/games.h"
#include "trainer/rng.h"
#include "trainer/teacher.h"
#include "trainer/threats.h"

namespace ruvex::trainer {

constexpr int WindowInputs = 81;

struct Dataset {
  std::vector<int8_t> inputs;            // WindowInputs per sample: +1 own, -1 opponent, 0
  std::vector<float> targets;            // teacher target in [0, 1]
  std::vector<uint8_t> ownPattern;       // best LinePattern the mover makes at the cell
  std::vector<uint8_t> opponentPattern;  // best LinePattern the opponent would make there
  std::vector<uint32_t> positionStart;   // samples of position p: [start[p], start[p + 1])
  // Search labels (expert.h): per sample, the share of the position's label
  // distribution; empty when there are none, all 0 for an unlabelled position.
  std::vector<float> expert;
  // With keepBoards, AddPosition keeps each position's board and side to move.
  bool keepBoards = false;
  std::vector<BoardGrid> boards;
  std::vector<int8_t> sides;
  // Per position: the sample index (from the position's start) of tactic's
  // move, or -1.
  std::vector<int16_t> choice;

  std::size_t Size() const { return targets.size(); }
  std::size_t Positions() const { return positionStart.empty() ? 0 : positionStart.size() - 1; }
  const int8_t* Input(std::size_t k) const { return inputs.data() + k * WindowInputs; }
};

// An empty dataset ready for AddPosition.
Dataset NewDataset();

// Adds one sample per candidate cell (the engine's candidate scan, in scan
// order) of the position with side to move. Positions in which either side
// can complete five are skipped, since the engine answers them without the
// network; returns whether the position was added. With a labeller the
// solver's verdicts adjust the targets (ApplyThreatLabels). defenceWeight
// scales the opponent's score in the targets (MoveScore's DefenceWeight). With
// a distiller the position records tactic's move choice (TacticChoice).
bool AddPosition(Dataset& data, const BoardGrid& grid, int side, ThreatLabeller* labeller = nullptr,
                 double defenceWeight = DefenceWeight, Distiller* distiller = nullptr);

struct DataSettings {
  int games = 6000;           // noisy self-play games
  double sampleShare = 0.35;  // chance that a position of a game is used
  int validationEvery = 10;   // every n-th game goes to the validation set
  uint64_t seed = 20240611;
  int tacticGames = 0;         // games of pbrain-tactic's search against itself, added after
  int64_t tacticNodes = 3000;  // its node budget a move
  double tacticRandom = 0.05;  // chance of a random nearby move in those games
  double defenceWeight = DefenceWeight;  // in the targets only; the players keep the default
};

// Plays the games (player noise drawn per game), samples their positions,
// each under a random board symmetry, and splits them by game.
// With a labeller, every kept position gets the solver's labels; with a
// distiller, tactic's move choice.
void GenerateData(const DataSettings& settings, Dataset& train, Dataset& validation,
                  ThreatLabeller* labeller = nullptr, Distiller* distiller = nullptr);

}  // namespace ruvex::trainer
