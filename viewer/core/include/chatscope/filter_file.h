// The filter file: text lines, some of which are user list entries
// "ticked,typecode,name".
#pragma once

#include <string>

#include "chatscope/regular_file.h"
#include "chatscope/user_list.h"

namespace chatscope {

// Appends the entries of the file to `users`. False when the file cannot be
// opened or is not a regular file.
LoadResult LoadUserFilters(const std::string& path, UserList& users);
// Rewrites the file with the tick states of `users`, through the ".tmp" file
// beside it, replaced atomically. False (old file kept, no ".tmp" left) on any error
// or when there is no filter file (or it is not a regular file).
bool SaveUserFilters(const std::string& path, const UserList& users);

}  // namespace chatscope
