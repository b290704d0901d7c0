#include "user_state_store.h"

#include <utility>

#include "chatscope/paths.h"

namespace chatscope {

UserStateStore::UserStateStore(std::string path) : path_(std::move(path)) {
    if (!path_.empty()) state_ = LoadUserState(path_);
}

void UserStateStore::Change(const std::function<void(UserState&)>& change) {
    if (!path_.empty()) state_ = LoadUserState(path_);
    change(state_);
    // A failed write leaves the file as it was; the state still holds for this run.
    if (!path_.empty() && EnsureFolderOf(path_)) SaveUserState(path_, state_);
}

}  // namespace chatscope
