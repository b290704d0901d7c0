#include "recent_files_menu.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>

#include "user_state_store.h"

namespace chatscope {

RecentFilesMenu::RecentFilesMenu(const UserStateStore& store, QWidget* parent)
    : QMenu(QStringLiteral("最近使ったファイル"), parent), store_(store) {
    setObjectName(QStringLiteral("recentFilesMenu"));
    setToolTipsVisible(true);
    Rebuild();
}

void RecentFilesMenu::Rebuild() {
    clear();
    for (const std::string& path : store_.State().recentFiles) {
        const QString full = QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
        QString name = QFileInfo(full).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no mnemonic
        QAction* action = addAction(name, this, [this, path] { emit FileChosen(path); });
        action->setToolTip(full);
    }
    menuAction()->setEnabled(!isEmpty());
}

}  // namespace chatscope
