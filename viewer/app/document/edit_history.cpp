#include "document/edit_history.h"

#include <utility>

namespace chatscope {

namespace {
constexpr std::size_t kUndoSteps = 200;
}  // namespace

void EditHistory::Clear() {
    undo_.clear();
    redo_.clear();
}

const EditStep& EditHistory::Record(EditStep step) {
    undo_.push_back(std::move(step));
    if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
    redo_.clear();
    return undo_.back();
}

const EditStep* EditHistory::Undo() {
    if (undo_.empty()) return nullptr;
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
    return &redo_.back();
}

const EditStep* EditHistory::Redo() {
    if (redo_.empty()) return nullptr;
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
    return &undo_.back();
}

}  // namespace chatscope
