// "最近使ったファイル": the files opened last, newest first, each shown by its
// name with the full path as tooltip; a set by its first file's name and the
// count of the others ("a.log +2"), its paths one a line as tooltip.
#pragma once

#include <QMenu>

#include <string>

namespace chatscope {

class UserStateStore;

class RecentFilesMenu : public QMenu {
    Q_OBJECT
public:
    RecentFilesMenu(const UserStateStore& store, QWidget* parent);

    // Fills the menu again from the store; empty: the menu is disabled.
    void Rebuild();

signals:
    void FileChosen(const std::string& entry);  // a UserState recent entry

private:
    const UserStateStore& store_;
};

}  // namespace chatscope
