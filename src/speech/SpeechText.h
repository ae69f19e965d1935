#pragma once

#include <QString>
#include <QStringList>

// How a question's text is put to the voice.
namespace speech {

// The text as the voice should say it: an option mark "A." becomes "A，" (the voice reads a
// point straight after a letter as a word), "30%" becomes "百分之30", and any other point that is
// no decimal point becomes a pause.
QString spokenForm(const QString& text);

// The text cut into sentences, each in its spoken form: after 。！？；!?; and line breaks, and
// before each option mark, so a change of speed takes effect from the next one. Pieces with
// nothing to say (only blanks and punctuation) are left out.
QStringList sentences(const QString& text);

// The whole text in its spoken form, as one piece (what a saved recording says).
QString spokenText(const QString& text);

// The voice's rate in words per minute for a speed step of the slider (-10 … 10): step 0 is the
// voice's normal rate, and each 10 steps halve or double it.
int wordsPerMinute(int step);

} // namespace speech
