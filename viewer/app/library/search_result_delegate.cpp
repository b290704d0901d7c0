#include "library/search_result_delegate.h"

#include <QPainter>
#include <QTextLayout>

#include <vector>

#include "find/match_marks.h"

namespace chatscope {

void SearchResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!background.isValid()) return QStyledItemDelegate::paint(painter, option, index);
    const QString text = index.data(Qt::DisplayRole).toString();
    painter->save();
    painter->fillRect(option.rect, background.value<QColor>());
    if (option.state & QStyle::State_Selected) {
        QColor selection = option.palette.color(QPalette::Highlight);
        selection.setAlpha(140);
        painter->fillRect(option.rect, selection);
    }
    QList<QTextLayout::FormatRange> marks;
    AppendMatchMarks(matcher_, text, marks);
    QTextLayout layout(text, option.font);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1e6);
    layout.endLayout();
    const QRect area = option.rect.adjusted(3, 0, -3, 0);
    painter->setClipRect(area);
    painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
    const qreal top = area.top() + (area.height() - (line.isValid() ? line.height() : 0)) / 2;
    layout.draw(painter, QPointF(area.left(), top), marks);
    if (option.state & QStyle::State_HasFocus) {
        painter->setClipping(false);
        QPen pen(option.palette.color(QPalette::Highlight));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

}  // namespace chatscope
