// How matches are marked in a painted line, the same in the display and in
// the folder search's results: a yellow background under black text.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTextLayout>

#include <vector>

#include "find/text_matcher.h"

namespace chatscope {

// Appends a mark for each match of `matcher` in `text` to `marks`.
inline void AppendMatchMarks(TextMatcher& matcher, const QString& text, QList<QTextLayout::FormatRange>& marks) {
    if (matcher.Empty()) return;
    std::vector<TextMatch> found;
    matcher.FindAll(text, found);
    for (const TextMatch& m : found) {
        QTextLayout::FormatRange range;
        range.start = m.start;
        range.length = m.end - m.start;
        range.format.setBackground(QColor(0xFF, 0xE0, 0x40));
        range.format.setForeground(Qt::black);
        marks.append(range);
    }
}

}  // namespace chatscope
