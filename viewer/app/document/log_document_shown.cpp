// The document while only some of its lines are shown.
#include "document/log_document.h"

#include <algorithm>
#include <utility>

namespace chatscope {

FrozenLines LogDocument::Freeze() const {
    if (!shown_.Active()) return store_.Freeze();
    return store_.Freeze(shown_.Whole(store_));
}

FrozenLines LogDocument::FreezeFrom(int first) const {
    if (shown_.Active()) return store_.Freeze(shown_.WholeFrom(first));
    const int count = WholeLineCount();
    first = std::clamp(first, 0, count);
    return store_.Freeze(store_.Records(first, count - first));
}

void LogDocument::ShowOnly(const std::vector<bool>& keep, LineSubset::LineFilter appended) {
    shown_.ShowOnly(store_, keep, std::move(appended));
    offsets_.Clear();
    history_.Clear();
}

void LogDocument::ShowAll() {
    if (!shown_.Active()) return;
    shown_.ShowAll(store_);
    offsets_.Clear();
    history_.Clear();
}

void LogDocument::AppendedWhileShowingSome(std::string_view bytes, bool mayHide) {
    const int last = store_.Count() - 1;
    const bool shown = !mayHide || shown_.Shows(bytes);
    shown_.Appended(*store_.Rec(last), shown);
    // A hidden line's bytes stay in the store's chunks for when all are shown again.
    if (!shown) store_.Splice(last, 1, {});
}

}  // namespace chatscope
