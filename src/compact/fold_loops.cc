#include "compact/fold_loops.h"

#include <algorithm>

namespace quorlin {
namespace {

// Folds of one period in a row: each may make the runs of the next.
constexpr int kMostTries = 4;

}  // namespace

bool LoopFolder::Saves(std::size_t body_cost, std::size_t plays) const {
  return plays >= 2 && plays * body_cost > body_cost + grammar_->costs.loop;
}

// One pass over the periods; a period that folded is tried again, for the
// runs of the loops just made (the loops of a run longer than one F7
// counts, say).
void LoopFolder::Run(Grammar& grammar) {
  grammar_ = &grammar;
  known_.clear();
  costs_.clear();
  heights_.clear();
  for (std::size_t period = 1; 2 * period <= Main().size(); ++period) {
    for (int tries = 0; tries < kMostTries && FoldPeriod(period); ++tries) {
    }
  }
}

// Folds the runs of blocks of `period` symbols, left to right. A run is
// found by comparing the line with itself shifted by the period at every
// period-th position, forwards and backwards from there: any block played
// twice in a row spans one such position.
bool LoopFolder::FoldPeriod(std::size_t period) {
  // Held apart while loops are added: their bodies join the sequences.
  std::vector<Symbol> line = std::move(Main());
  const std::size_t n = line.size();
  std::vector<Symbol>& out = out_;
  out.clear();
  std::size_t copied = 0;  // line[0, copied) is in `out`
  for (std::size_t at = period; at < n; at += period) {
    if (at < copied + period || line[at] != line[at - period]) continue;
    std::size_t forward = 0;
    while (at + forward < n && line[at - period + forward] == line[at + forward]) ++forward;
    std::size_t backward = 0;
    while (at - period >= copied + backward + 1 &&
           line[at - period - 1 - backward] == line[at - 1 - backward]) {
      ++backward;
    }
    if (forward + backward < period) continue;
    const std::size_t start = at - period - backward;
    const std::size_t plays = (forward + backward + period) / period;
    if (!Fold(line, start, period, plays, out, copied)) {
      at = (at + forward) / period * period;  // past the run
      continue;
    }
    // The next position to look from lies a whole block past the fold.
    at = (copied + period - 1) / period * period;
  }
  if (copied == 0) {
    Main() = std::move(line);
    return false;
  }
  out.insert(out.end(), line.begin() + copied, line.end());
  Main().swap(out);
  out_ = std::move(line);  // its room serves the next period
  return true;
}

// Writes the run of `plays` blocks from `start` as loops into `out`, when
// that saves bytes and the loops nest deep enough.
bool LoopFolder::Fold(const std::vector<Symbol>& line, std::size_t start, std::size_t period,
                      std::size_t plays, std::vector<Symbol>& out, std::size_t& copied) {
  const auto body_begin = line.begin() + static_cast<std::ptrdiff_t>(start);
  const auto body_end = body_begin + static_cast<std::ptrdiff_t>(period);
  std::size_t body_cost = 0;
  int height = 0;
  for (auto symbol = body_begin; symbol != body_end; ++symbol) {
    body_cost += Cost(*symbol);
    if (KindOf(*symbol) == SymbolKind::kLoop) {
      height = std::max(height, heights_[IndexOf(*symbol)]);
    }
  }
  if (height + 1 > loop_counters_ ||
      !Saves(body_cost, std::min<std::size_t>(plays, kMaxLoopCount))) {
    return false;
  }
  const std::vector<Symbol> body(body_begin, body_end);
  out.insert(out.end(), line.begin() + copied, line.begin() + start);
  // A run longer than one F7 can count plays as several loops in a row,
  // which a later pass folds in turn.
  std::size_t left = plays;
  while (left >= 2) {
    const int count = static_cast<int>(std::min<std::size_t>(left, kMaxLoopCount));
    if (!Saves(body_cost, count)) break;
    out.push_back(LoopOf(body, count, body_cost, height + 1));
    left -= count;
  }
  for (; left > 0; --left) out.insert(out.end(), body.begin(), body.end());
  copied = start + plays * period;
  return true;
}

std::size_t LoopFolder::Cost(Symbol symbol) const {
  return KindOf(symbol) == SymbolKind::kLoop ? costs_[IndexOf(symbol)]
                                             : grammar_->EventBytes(IndexOf(symbol)).size();
}

// The one loop of this body and count: equal loops are one symbol, so
// that runs of them are found.
Symbol LoopFolder::LoopOf(const std::vector<Symbol>& body, int count, std::size_t body_cost,
                          int height) {
  auto [found, added] = known_.try_emplace({count, body}, grammar_->loops.size());
  if (added) {
    grammar_->sequences.push_back(body);
    grammar_->loops.push_back({grammar_->sequences.size() - 1, count});
    costs_.push_back(body_cost + grammar_->costs.loop);
    heights_.push_back(height);
  }
  return MakeSymbol(SymbolKind::kLoop, found->second);
}

}  // namespace quorlin
