#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

struct BoundStatement;
class Grid;
class Store;

// Shows how far a card build has got: "▉" repeated, growing at most 16 times, then the empty text
// once the card is built. Called only when that text changes.
using ProgressSink = std::function<void(const QString&)>;

// Builds the answer card of one sitting into the grid: one row per answer in question-number
// order, marked as it is read under the paper's scoring rules (scoring::mark: the question's score
// for a match, a part of it for a partly right answer under 少选得分, a negative mark for a deduction
// under 答错扣分; a wrong answer earning nothing leaves the mark empty), then the total row "总分" with
// each type's floor applied (scoring::Tally). `card` is the sitting's answer query (Sql::AnswerCard, whose values
// code, student and state name the sitting); each answer's question is taken from paper
// `paperCode`, and so are the rules. Returns the total: the marks added as read, not as the grid
// shows them.
double buildAnswerCard(Store& store, const BoundStatement& card, const QString& paperCode, Grid& grid,
                       const ProgressSink& progress);

// The marking under 全对得分, the rule of every paper without rules of its own: an answer earns its
// question's score when it matches the standard answer (answer::matches), nothing otherwise (the
// card leaves that mark empty).
std::optional<double> markOf(const QString& given, const QString& standard, const QVariant& score);

// The progress characters after record i of count, given the ticks shown so far.
int progressTicksAfter(int i, int count, int ticks);
