// The catcher's folder prompt.
#pragma once

#include <QString>

class QWidget;

namespace chatkeeper::app {

// Asks for a folder, starting at FolderPromptStart(), with hidden folders
// shown so that a Wine prefix (~/.wine, ~/.local/share/Steam, ...) can be
// reached by hand. The chosen folder, or an empty text on Cancel.
QString PromptForFolder(QWidget* owner, const QString& title);

}  // namespace chatkeeper::app
