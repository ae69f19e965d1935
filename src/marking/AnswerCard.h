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
// order, marked as it is read (the question's score when the answer matches the standard answer),
// then the total row "总分". `card` is the sitting's answer query (Sql::AnswerCard, whose values
// code, student and state name the sitting); each answer's question is taken from paper
// `paperCode`. Returns the total: the marks added as read, not as the grid shows them.
double buildAnswerCard(Store& store, const BoundStatement& card, const QString& paperCode, Grid& grid,
                       const ProgressSink& progress);

// The marking rule: an answer earns its question's score when it matches the standard answer
// (answer::matches), nothing otherwise (the card leaves that mark empty).
std::optional<double> markOf(const QString& given, const QString& standard, const QVariant& score);

// The progress characters after record i of count, given the ticks shown so far.
int progressTicksAfter(int i, int count, int ticks);
