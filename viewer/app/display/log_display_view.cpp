// Geometry of the display (rows, scroll ranges, hit testing) and painting of
// the visible rows.
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "display/log_display.h"
#include "display/log_display_impl.h"

namespace chatscope {

namespace {

QColor ToQColor(std::uint32_t display) {
    return QColor(static_cast<int>(display & 0xFF), static_cast<int>(display >> 8 & 0xFF),
                  static_cast<int>(display >> 16 & 0xFF));
}

}  // namespace

void LogDisplay::Impl::UpdateMetrics() {
    QFontMetrics fm(font);
    lineHeight = std::max(1, fm.height());
    byteWidth = std::max({1, (fm.horizontalAdvance(QChar(0x3042)) + 1) / 2, fm.averageCharWidth()});
}

int LogDisplay::Impl::VisibleRows() const {
    return std::max(1, (q->viewport()->height() - kDisplayMargin) / lineHeight);
}

int LogDisplay::Impl::ContentWidth() const {
    return kDisplayMargin * 2 + std::max(measuredWidth, static_cast<int>(std::min<std::uint64_t>(
                                                            std::uint64_t{store.MaxBytes()} * byteWidth, 1u << 24)));
}

void LogDisplay::Impl::UpdateScrollBars() {
    const int rows = VisibleRows();
    q->verticalScrollBar()->setRange(0, std::max(0, Count() - rows));
    q->verticalScrollBar()->setPageStep(rows);
    q->verticalScrollBar()->setSingleStep(1);
    const int w = q->viewport()->width();
    q->horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - w));
    q->horizontalScrollBar()->setPageStep(std::max(1, w));
    q->horizontalScrollBar()->setSingleStep(std::max(1, byteWidth * 4));
}

int LogDisplay::Impl::FirstRow() const { return q->verticalScrollBar()->value(); }

int LogDisplay::Impl::OriginX() const { return kDisplayMargin - q->horizontalScrollBar()->value(); }

std::unique_ptr<QTextLayout> LogDisplay::Impl::Layout(const QString& text, int preeditAt) const {
    auto layout = std::make_unique<QTextLayout>(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    if (preeditAt >= 0 && !preedit.isEmpty()) {
        layout->setPreeditArea(preeditAt, preedit);
        QTextLayout::FormatRange underline;
        underline.start = preeditAt;
        underline.length = static_cast<int>(preedit.size());
        underline.format.setFontUnderline(true);
        layout->setFormats({underline});
    }
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) line.setPosition(QPointF(0, 0));
    layout->endLayout();
    return layout;
}

Pos LogDisplay::Impl::HitTest(const QPoint& point) const {
    const int y = point.y() - kDisplayMargin;
    const int row = y < 0 ? -1 : y / lineHeight;
    const int line = std::clamp(FirstRow() + row, 0, Count() - 1);
    auto layout = Layout(Text(line));
    QTextLine tl = layout->lineAt(0);
    const int column = tl.isValid() ? tl.xToCursor(point.x() - OriginX()) : 0;
    return {line, column};
}

void LogDisplay::Impl::EnsureVisible(Pos p) {
    const int first = FirstRow();
    const int rows = VisibleRows();
    if (p.line < first)
        q->verticalScrollBar()->setValue(p.line);
    else if (p.line >= first + rows)
        q->verticalScrollBar()->setValue(p.line - rows + 1);
    auto layout = Layout(Text(p.line));
    QTextLine tl = layout->lineAt(0);
    if (!tl.isValid()) return;
    const int x = static_cast<int>(tl.cursorToX(p.column));
    if (x > measuredWidth) {
        measuredWidth = std::max(measuredWidth, static_cast<int>(tl.naturalTextWidth()));
        UpdateScrollBars();
    }
    const int hs = q->horizontalScrollBar()->value();
    const int w = q->viewport()->width() - 2 * kDisplayMargin;
    if (x < hs)
        q->horizontalScrollBar()->setValue(x);
    else if (x > hs + w)
        q->horizontalScrollBar()->setValue(x - w);
}

void LogDisplay::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), ToQColor(d->background));
    painter.setFont(d->font);

    const int first = d->FirstRow();
    const int rows = viewport()->height() / d->lineHeight + 1;
    const int count = d->Count();
    const int x0 = d->OriginX();
    const Pos selStart = d->SelStart(), selEnd = d->SelEnd();
    const bool hasSelection = !(selStart == selEnd);
    const QPalette& pal = palette();
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor highlightedText = pal.color(QPalette::Active, QPalette::HighlightedText);
    int widest = d->measuredWidth;

    for (int row = 0; row < rows && first + row < count; ++row) {
        const int line = first + row;
        const int y = kDisplayMargin + row * d->lineHeight;
        const QString text = d->Text(line);
        const bool caretLine = line == d->caret.line;
        auto layout = d->Layout(text, caretLine ? d->caret.column : -1);
        QTextLine tl = layout->lineAt(0);
        if (!tl.isValid()) continue;
        widest = std::max(widest, static_cast<int>(tl.naturalTextWidth() + 0.999));

        QList<QTextLayout::FormatRange> selections;
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
                painter.fillRect(QRectF(x0 + tl.naturalTextWidth(), y, d->byteWidth, d->lineHeight), highlight);
            }
        }
        painter.setPen(ToQColor(d->Colour(line)));
        layout->draw(&painter, QPointF(x0, y), selections);
        if (caretLine && hasFocus()) {
            painter.setPen(ToQColor(~d->background & 0xFFFFFF));
            layout->drawCursor(&painter, QPointF(x0, y), d->caret.column + static_cast<int>(d->preedit.size()), 1);
        }
    }
    if (widest > d->measuredWidth) {
        d->measuredWidth = widest;
        if (d->ContentWidth() - viewport()->width() > horizontalScrollBar()->maximum())
            QMetaObject::invokeMethod(
                this, [this] { d->UpdateScrollBars(); }, Qt::QueuedConnection);
    }
}

void LogDisplay::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    d->UpdateScrollBars();
}

void LogDisplay::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace chatscope
