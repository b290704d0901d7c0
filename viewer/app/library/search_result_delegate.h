// SearchResultDelegate: paints a result's line in its display colour on the
// display's background, with the matches of the search marked as the find bar
// marks them in the display.
#pragma once

#include <QStyledItemDelegate>

#include "find/text_matcher.h"

namespace chatscope {

class SearchResultDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void SetMatcher(const TextMatcher& matcher) { matcher_ = matcher; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    mutable TextMatcher matcher_;
};

}  // namespace chatscope
