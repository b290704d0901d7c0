// The document while only some of its lines are shown.
#include "document/log_document.h"

namespace chatscope {

FrozenLines LogDocument::Freeze() const {
    if (!shown_.Active()) return store_.Freeze();
    return store_.Freeze(shown_.Whole(store_));
}

void LogDocument::ShowOnly(const std::vector<bool>& keep) {
    shown_.ShowOnly(store_, keep);
    offsets_.Clear();
    history_.Clear();
}

void LogDocument::ShowAll() {
    if (!shown_.Active()) return;
    shown_.ShowAll(store_);
    offsets_.Clear();
    history_.Clear();
}

}  // namespace chatscope
