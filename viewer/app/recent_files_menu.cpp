#include "recent_files_menu.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "chatscope/user_state.h"
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
    for (const std::string& entry : store_.State().recentFiles) {
        QStringList full;
        for (const std::string& path : RecentEntryFiles(entry))
            full << QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
        QString name = QFileInfo(full.first()).fileName();
        if (full.size() > 1) name += QStringLiteral(" +%1").arg(full.size() - 1);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no mnemonic
        QAction* action = addAction(name, this, [this, entry] { emit FileChosen(entry); });
        action->setToolTip(full.join(QLatin1Char('\n')));
    }
    menuAction()->setEnabled(!isEmpty());
}

}  // namespace chatscope
