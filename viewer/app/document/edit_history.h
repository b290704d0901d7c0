// The display's undo and redo lists. An edit is kept as the line records it
// replaced and the ones it put in their place, so undo and redo only swap
// records (the edited texts stay in the line store until the next clear).
#pragma once

#include <vector>

#include "document/line_store.h"
#include "document/text_pos.h"

namespace chatscope {

// One edit: the records of lines [first, first + before.size()) were replaced
// by `after`. Undo and redo swap them back and forth.
struct EditStep {
    int first;
    std::vector<LineRec> before, after;
    Pos anchorBefore, caretBefore, caretAfter;
};

class EditHistory {
public:
    void Clear();
    // Records a new edit (the oldest goes past a limit) and forgets what could
    // have been redone. Returns the recorded step.
    const EditStep& Record(EditStep step);
    // The step to undo (or redo), moved over to the other list; null when
    // there is none. Valid until the history changes again.
    const EditStep* Undo();
    const EditStep* Redo();

private:
    std::vector<EditStep> undo_, redo_;
};

}  // namespace chatscope
