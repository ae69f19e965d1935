#pragma once

#include "documents/ScoringRules.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

class Store;

// 组卷: a new paper drawn at random from the bank's papers. No widgets here: the bank window's
// dialog and `veltaro-import --compose` both fill a ComposeRequest and call compose().
namespace bank {

struct ComposeRequest {
    QStringList sources;                        // paper codes; empty: every paper of the bank
    std::array<int, 4> counts{};                // questions per type: 单选, 多选, 判断, 不定项
    std::array<std::optional<double>, 4> marks; // mark per type; none: each question's own
    documents::ScoringRules rules;
    int minutes = 60;
    QString code; // the new paper's code; empty: the first free "组卷1", "组卷2" …
    QString name;
    quint32 seed = 0; // 0: a fresh draw each time; otherwise the same draw for the same bank
};

struct ComposeResult {
    QString error; // Chinese; nothing is made when it is set
    QString code;  // the paper made
    int questions = 0;
};

// Draws the questions without repeats (a question's type: its own, else the one its answer
// implies), copies them with their pictures, explanations and types into the new paper in type
// order (单选, 多选, 判断, 不定项; numbered 1, 2, 3 …), and saves paper, questions and rules in one
// transaction. A type with fewer questions than asked makes nothing and says so.
ComposeResult compose(Store& store, const ComposeRequest& request);

// `veltaro-import --compose 题库.db 选项…` (the options are in composeHelp()); the exit status.
int composeCommand(const QStringList& args);
QString composeHelp();

} // namespace bank
