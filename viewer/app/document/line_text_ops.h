// Steps within one line's decoded text, as the caret and typing take them:
// characters (a surrogate pair is one), words, and line breaks in typed text.
#pragma once

#include <QString>
#include <QStringList>

namespace chatscope {

// Splits typed or pasted text at its line breaks (CR LF, CR, LF, U+2029).
QStringList SplitLines(const QString& text);

// Column before/after `column` in `text`, stepping over a surrogate pair whole.
int PrevColumn(const QString& text, int column);
int NextColumn(const QString& text, int column);

// Column of the word start before/after `column` in `text` (Ctrl+arrows).
int WordColumn(const QString& text, int column, bool forward);

// The word at `column` in `text` (double click): [*start, *end).
void WordAt(const QString& text, int column, int* start, int* end);

}  // namespace chatscope
