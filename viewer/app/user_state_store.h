// The viewer's per-user state file (recent files, following) as the windows use
// it: every change re-reads the file, so changes of another running viewer are
// kept, and writes it back at once.
#pragma once

#include <functional>
#include <string>

#include "chatscope/user_state.h"

namespace chatscope {

class UserStateStore {
public:
    // Loads the file; an empty path keeps the state in memory only.
    explicit UserStateStore(std::string path);

    const UserState& State() const { return state_; }
    const std::string& Path() const { return path_; }
    // Applies `change` to the file's present state and writes the result.
    void Change(const std::function<void(UserState&)>& change);

private:
    std::string path_;
    UserState state_;
};

}  // namespace chatscope
