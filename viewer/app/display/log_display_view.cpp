// Geometry of the display (rows, scroll ranges, hit testing) and painting of
// the visible rows.
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>

#include "display/log_display.h"

namespace chatscope {

namespace {

QColor ToQColor(std::uint32_t display) {
    return QColor(static_cast<int>(display & 0xFF), static_cast<int>(display >> 8 & 0xFF),
                  static_cast<int>(display >> 16 & 0xFF));
}

}  // namespace

void LogDisplay::UpdateMetrics() {
    QFontMetrics fm(font_);
    lineHeight_ = std::max(1, fm.height());
    byteWidth_ = std::max({1, (fm.horizontalAdvance(QChar(0x3042)) + 1) / 2, fm.averageCharWidth()});
}

int LogDisplay::VisibleRows() const { return std::max(1, (viewport()->height() - kDisplayMargin) / lineHeight_); }

int LogDisplay::ContentWidth() const {
    return kDisplayMargin * 2 +
           std::max(measuredWidth_, static_cast<int>(std::min<std::uint64_t>(
                                        std::uint64_t{document_.WidestLineBytes()} * byteWidth_, 1u << 24)));
}

void LogDisplay::UpdateScrollBars() {
    const int rows = VisibleRows();
    verticalScrollBar()->setRange(0, std::max(0, document_.LineCount() - rows));
    verticalScrollBar()->setPageStep(rows);
    verticalScrollBar()->setSingleStep(1);
    const int w = viewport()->width();
    horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - w));
    horizontalScrollBar()->setPageStep(std::max(1, w));
    horizontalScrollBar()->setSingleStep(std::max(1, byteWidth_ * 4));
}

int LogDisplay::FirstRow() const { return verticalScrollBar()->value(); }

int LogDisplay::OriginX() const { return kDisplayMargin - horizontalScrollBar()->value(); }

std::unique_ptr<QTextLayout> LogDisplay::Layout(const QString& text, int preeditAt) const {
    auto layout = std::make_unique<QTextLayout>(text, font_);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (preeditAt >= 0 && !preedit_.isEmpty()) {
        layout->setPreeditArea(preeditAt, preedit_);
        QTextLayout::FormatRange underline;
        underline.start = preeditAt;
        underline.length = static_cast<int>(preedit_.size());
        underline.format.setFontUnderline(true);
        layout->setFormats({underline});
    }
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) line.setPosition(QPointF(0, 0));
    layout->endLayout();
    return layout;
}

Pos LogDisplay::HitTest(const QPoint& point) const {
    const int y = point.y() - kDisplayMargin;
    const int row = y < 0 ? -1 : y / lineHeight_;
    const int line = std::clamp(FirstRow() + row, 0, document_.LineCount() - 1);
    auto layout = Layout(document_.LineText(line));
    QTextLine tl = layout->lineAt(0);
    const int column = tl.isValid() ? tl.xToCursor(point.x() - OriginX()) : 0;
    return {line, column};
}

void LogDisplay::EnsureVisible(Pos p) {
    const int first = FirstRow();
    const int rows = VisibleRows();
    if (p.line < first)
        verticalScrollBar()->setValue(p.line);
    else if (p.line >= first + rows)
        verticalScrollBar()->setValue(p.line - rows + 1);
    auto layout = Layout(document_.LineText(p.line));
    QTextLine tl = layout->lineAt(0);
    if (!tl.isValid()) return;
    const int x = static_cast<int>(tl.cursorToX(p.column));
    if (x > measuredWidth_) {
        measuredWidth_ = std::max(measuredWidth_, static_cast<int>(tl.naturalTextWidth()));
        UpdateScrollBars();
    }
    const int hs = horizontalScrollBar()->value();
    const int w = viewport()->width() - 2 * kDisplayMargin;
    if (x < hs)
        horizontalScrollBar()->setValue(x);
    else if (x > hs + w)
        horizontalScrollBar()->setValue(x - w);
}

void LogDisplay::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), ToQColor(background_));
    painter.setFont(font_);

    const int first = FirstRow();
    const int rows = viewport()->height() / lineHeight_ + 1;
    const int count = document_.LineCount();
    const int x0 = OriginX();
    const Pos selStart = SelectionStart(), selEnd = SelectionEnd();
    const bool hasSelection = !(selStart == selEnd);
    const QPalette& pal = palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::Active, QPalette::HighlightedText);
    int widest = measuredWidth_;

    for (int row = 0; row < rows && first + row < count; ++row) {
        const int line = first + row;
        const int y = kDisplayMargin + row * lineHeight_;
        const QString text = document_.LineText(line);
        const bool caretLine = line == caret_.line;
        auto layout = Layout(text, caretLine ? caret_.column : -1);
        QTextLine tl = layout->lineAt(0);
        if (!tl.isValid()) continue;
        widest = std::max(widest, static_cast<int>(tl.naturalTextWidth() + 0.999));

        QList<QTextLayout::FormatRange> selections;
        if (highlighter_) highlighter_(text, selections);
        if (hasSelection && line >= selStart.line && line <= selEnd.line) {
            const int from = line == selStart.line ? selStart.column : 0;
            const int to = line == selEnd.line ? selEnd.column : static_cast<int>(text.size());
            if (to > from) {
                QTextLayout::FormatRange range;
                range.start = from;
                range.length = to - from;
                range.format.setBackground(highlight);
                range.format.setForeground(highlightedText);
                selections.append(range);
            }
            if (line < selEnd.line) {
                // The line break is part of the selection: mark it after the text.
                painter.fillRect(QRectF(x0 + tl.naturalTextWidth(), y, byteWidth_, lineHeight_), highlight);
            }
        }
        painter.setPen(ToQColor(document_.LineColour(line)));
        layout->draw(&painter, QPointF(x0, y), selections);
        if (caretLine && hasFocus()) {
            painter.setPen(ToQColor(~background_ & 0xFFFFFF));
            layout->drawCursor(&painter, QPointF(x0, y), caret_.column + static_cast<int>(preedit_.size()), 1);
        }
    }
    if (widest > measuredWidth_) {
        measuredWidth_ = widest;
        if (ContentWidth() - viewport()->width() > horizontalScrollBar()->maximum())
            QMetaObject::invokeMethod(
                this, [this] { UpdateScrollBars(); }, Qt::QueuedConnection);
    }
}

void LogDisplay::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void LogDisplay::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace chatscope
