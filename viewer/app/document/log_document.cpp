#include "document/log_document.h"

#include <QBuffer>
#include <QFile>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <utility>
#include <vector>

#include "document/display_content.h"
#include "document/line_text_ops.h"
#include "document/rtf_writer.h"
#include "document/text_writer.h"
#include "fileio/atomic_replace.h"

namespace chatscope {

namespace {

bool SaveWith(const QString& path, const DisplayContent& content, bool (*writer)(const DisplayContent&, QIODevice&)) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!writer(content, buffer)) return false;
    const std::string target = chatlog::fileio::ReplacementTarget(QFile::encodeName(path).toStdString());
    return chatlog::fileio::ReplaceFile(target,
                                        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

void LogDocument::Clear() {
    store_.Release();
    offsets_.Clear();
    history_.Clear();
    shown_.Reset();
    edited_ = false;
    unchanged_ = 0;
}

void LogDocument::RemoveLastLine() {
    if (shown_.Active() && !shown_.RemoveLast()) {
        unchanged_ = std::min(unchanged_, WholeLineCount());
        return;  // it was hidden: the shown lines stay as they are
    }
    if (store_.Empty()) return;
    const int last = store_.Count() - 1;
    store_.Splice(last, 1, {});
    if (store_.Empty())
        offsets_.Clear();
    else
        offsets_.Splice(last, 1, 0, store_);
    unchanged_ = std::min(unchanged_, WholeLineCount());
}

int LogDocument::TakeUnchangedLines() {
    const int unchanged = std::min(unchanged_, WholeLineCount());
    unchanged_ = WholeLineCount();
    return unchanged;
}

Pos LogDocument::Clamp(Pos p) const {
    p.line = std::clamp(p.line, 0, LineCount() - 1);
    p.column = std::clamp(p.column, 0, LineLength(p.line));
    return p;
}

QString LogDocument::Text(Pos from, Pos to) const {
    if (!(from < to)) return {};
    QString out;
    for (int line = from.line; line <= to.line; ++line) {
        const QString text = LineText(line);
        const int start = line == from.line ? from.column : 0;
        const int end = line == to.line ? to.column : static_cast<int>(text.size());
        if (line > from.line) out.append(QLatin1Char('\n'));
        out.append(QStringView(text).mid(start, std::max(0, end - start)));
    }
    return out;
}

Pos LogDocument::StepBack(Pos p, bool byWord) const {
    if (p.column > 0) {
        const QString text = LineText(p.line);
        return {p.line, byWord ? WordColumn(text, p.column, false) : PrevColumn(text, p.column)};
    }
    if (p.line > 0) return {p.line - 1, LineLength(p.line - 1)};
    return p;
}

Pos LogDocument::StepForward(Pos p, bool byWord) const {
    if (p.column < LineLength(p.line)) {
        const QString text = LineText(p.line);
        return {p.line, byWord ? WordColumn(text, p.column, true) : NextColumn(text, p.column)};
    }
    if (p.line + 1 < LineCount()) return {p.line + 1, 0};
    return p;
}

Selection LogDocument::WordAt(Pos p) const {
    int start = 0, end = 0;
    chatscope::WordAt(LineText(p.line), p.column, &start, &end);
    return {{p.line, start}, {p.line, end}};
}

qint64 LogDocument::CharacterCount() const {
    UpdateOffsets();
    return offsets_.End() - 1;
}

qint64 LogDocument::OffsetOf(Pos p) const {
    p = Clamp(p);
    UpdateOffsets();
    return offsets_.Start(p.line) + p.column;
}

Pos LogDocument::PositionAt(qint64 offset) const {
    offset = std::clamp<qint64>(offset, 0, CharacterCount());
    const int line = offsets_.LineAt(offset);
    return {line, static_cast<int>(offset - offsets_.Start(line))};
}

void LogDocument::Splice(int first, int count, const std::vector<LineRec>& records) {
    store_.Splice(first, count, records);
    offsets_.Splice(first, count, static_cast<int>(records.size()), store_);
    shown_.Spliced(first, count, static_cast<int>(records.size()));
    unchanged_ = 0;
}

std::optional<Pos> LogDocument::Replace(Pos a, Pos b, const QString& text, Selection before) {
    a = Clamp(a);
    b = Clamp(b);
    if (b < a) std::swap(a, b);
    if (a == b && text.isEmpty()) return std::nullopt;
    if (store_.Empty()) AppendLine({}, kDefaultTextColour, false);  // the empty start line becomes a real one
    const QString head = LineText(a.line).left(a.column);
    const QString tail = LineText(b.line).mid(b.column);
    const QStringList parts = SplitLines(text);
    std::vector<LineRec> after;
    after.reserve(static_cast<std::size_t>(parts.size()));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString t = i == 0 ? head + parts[i] : parts[i];
        if (i == parts.size() - 1) t += tail;
        // A line broken in two keeps its colour in both halves; a line made
        // of another line's end takes that line's colour.
        const std::uint32_t colour = i > 0 && i == parts.size() - 1 ? LineColour(b.line) : LineColour(a.line);
        after.push_back(store_.EditedLine(std::move(t), colour));
    }
    EditStep step;
    step.first = a.line;
    step.before = store_.Records(a.line, b.line - a.line + 1);
    step.after = after;
    step.anchorBefore = before.anchor;
    step.caretBefore = before.caret;
    const int lastPart = static_cast<int>(parts.size()) - 1;
    step.caretAfter = {a.line + lastPart, static_cast<int>((lastPart == 0 ? head.size() : 0) + parts.back().size())};
    Splice(a.line, b.line - a.line + 1, after);
    edited_ = true;
    return history_.Record(std::move(step)).caretAfter;
}

std::optional<Selection> LogDocument::Undo() {
    const EditStep* step = history_.Undo();
    if (!step) return std::nullopt;
    Splice(step->first, static_cast<int>(step->after.size()), step->before);
    edited_ = true;
    return Selection{step->anchorBefore, step->caretBefore};
}

std::optional<Pos> LogDocument::Redo() {
    const EditStep* step = history_.Redo();
    if (!step) return std::nullopt;
    Splice(step->first, static_cast<int>(step->before.size()), step->after);
    edited_ = true;
    return step->caretAfter;
}

bool LogDocument::SaveRtf(const QString& path) const { return SaveWith(path, LineStoreContent(store_), &WriteRtf); }

bool LogDocument::SavePlainText(const QString& path) const {
    return SaveWith(path, LineStoreContent(store_), &WritePlainText);
}

}  // namespace chatscope
