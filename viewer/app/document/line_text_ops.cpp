#include "document/line_text_ops.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace chatscope {

QStringList SplitLines(const QString& text) {
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            parts.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    parts.append(current);
    return parts;
}

int PrevColumn(const QString& t, int column) {
    int c = column - 1;
    if (c > 0 && t[c].isLowSurrogate() && t[c - 1].isHighSurrogate()) --c;
    return c;
}

int NextColumn(const QString& t, int column) {
    int c = column + 1;
    if (c < t.size() && t[c].isLowSurrogate() && t[c - 1].isHighSurrogate()) ++c;
    return c;
}

int WordColumn(const QString& t, int column, bool forward) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, t);
    finder.setPosition(column);
    qsizetype c = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
    // Land on the start of a word, skipping the gap between words.
    if (forward)
        while (c >= 0 && c < t.size() && t[c].isSpace()) c = finder.toNextBoundary();
    else
        while (c > 0 && !(finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)) c = finder.toPreviousBoundary();
    return c < 0 ? (forward ? static_cast<int>(t.size()) : 0) : static_cast<int>(c);
}

void WordAt(const QString& text, int column, int* start, int* end) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(column);
    const qsizetype s = finder.isAtBoundary() && (finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem)
                            ? column
                            : std::max<qsizetype>(0, finder.toPreviousBoundary());
    finder.setPosition(column);
    qsizetype e = finder.toNextBoundary();
    if (e < 0) e = text.size();
    *start = static_cast<int>(s);
    *end = static_cast<int>(e);
}

}  // namespace chatscope
