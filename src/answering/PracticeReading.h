#pragma once

#include "documents/ScoringRules.h"

#include <QString>

class PracticeWindow;

// Reading aloud in the practice window: its buttons and speed slider drive the program's reader,
// and its question display and saves tell the reader what to say.
namespace practice_reading {

// "朗读", "暂停", "停止", the speed slider (its step remembered between runs) and "输出".
void connectControls(PracticeWindow& w);
// After a question is shown: the old sound stops, and the new question is read while reading is on.
void follow(PracticeWindow& w);
// After a practice answer is saved while reading is on: its verdict is said before the next
// question (tellVerdict), or on its own when no next question was shown (sayUnheardVerdict).
void tellVerdict(PracticeWindow& w, const QString& verdict);
void sayUnheardVerdict(PracticeWindow& w);
// The window closes: the reading of its question ends (the reading state stays on).
void leave(PracticeWindow& w);
// "输出": asks for a file (wav/<question number>.wav by default) and writes the shown question's
// reading into it.
void saveAsRecording(PracticeWindow& w);

// "正确", or "错误，正确答案是 A C" (the standard answer spelt out); an empty answer, which clears the
// question's answer and counts as no attempt, "未作答，正确答案是 A C".
QString verdict(const QString& given, const QString& standard);
// The same under the rule of the question's type: under 少选得分 an answer of correct options only,
// not all of them, is "部分正确，正确答案是 A B C" (and still not right for the drill and statistics).
QString verdict(const QString& given, const QString& standard, const documents::TypeRule& rule);

inline constexpr const char* kRecordingFilter = "音频文件 (*.wav)";
inline constexpr const char* kSpeedSetting = "reading/speed";

} // namespace practice_reading
