// The game log folders found in the user's Wine prefixes: printed by
// --find-game-folders, and offered by the game folder's "参照" as a short
// menu before the ordinary folder prompt.
#pragma once

#include <QString>

#include <cstdio>
#include <functional>
#include <vector>

#include "chatkeeper/game_folder_finder.h"

class QMenu;
class QWidget;

namespace chatkeeper::app {

// The search of the running user's home folder (bounded, see FindGameFolders).
std::vector<GameFolderCandidate> FindUserGameFolders();

// --find-game-folders: the candidates' paths, one a line, newest first, as
// the bytes they are. Exit status 0, or 1 when there is none.
int PrintGameFolders(std::FILE* out);

// The candidates whose path survives the trip through an edit box (a path
// that is not valid in the file-name encoding does not).
std::vector<GameFolderCandidate> EditableCandidates(const std::vector<GameFolderCandidate>& candidates);

// A menu of the candidates, each its path and the time of its newest game log
// file, then "その他のフォルダー..."; `chosen` gets the chosen path, `other`
// runs for the last item. The menu belongs to parent.
QMenu* MakeGameFolderMenu(QWidget* parent, const std::vector<GameFolderCandidate>& candidates,
                          std::function<void(const QString&)> chosen, std::function<void()> other);

}  // namespace chatkeeper::app
