#include "game_folder_menu.h"

#include <QAction>
#include <QDateTime>
#include <QFontMetrics>
#include <QMenu>

#include "catcher_text.h"

namespace chatkeeper::app {

namespace {

constexpr int kShownPathPixels = 520;

}  // namespace

std::vector<GameFolderCandidate> FindUserGameFolders() { return FindGameFolders(GameFolderSearchForUser()).candidates; }

int PrintGameFolders(std::FILE* out) {
    const std::vector<GameFolderCandidate> candidates = FindUserGameFolders();
    for (const GameFolderCandidate& candidate : candidates) {
        std::fwrite(candidate.path.data(), 1, candidate.path.size(), out);
        std::fputc('\n', out);
    }
    return candidates.empty() ? 1 : 0;
}

std::vector<GameFolderCandidate> EditableCandidates(const std::vector<GameFolderCandidate>& candidates) {
    std::vector<GameFolderCandidate> editable;
    for (const GameFolderCandidate& candidate : candidates)
        if (ToFileName(FromFileName(candidate.path)) == candidate.path) editable.push_back(candidate);
    return editable;
}

QMenu* MakeGameFolderMenu(QWidget* parent, const std::vector<GameFolderCandidate>& candidates,
                          std::function<void(const QString&)> chosen, std::function<void()> other) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("gameFolderMenu"));
    const QFontMetrics metrics(menu->font());
    for (const GameFolderCandidate& candidate : candidates) {
        const QString path = FromFileName(candidate.path);
        const QDateTime written = QDateTime::fromMSecsSinceEpoch(candidate.newestSeconds * 1000);
        QString shown = metrics.elidedText(path, Qt::ElideMiddle, kShownPathPixels);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = menu->addAction(shown + QStringLiteral("  (") +
                                          written.toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QLatin1Char(')'));
        action->setObjectName(QStringLiteral("gameFolderCandidate"));
        action->setData(path);
        action->setToolTip(path);
        QObject::connect(action, &QAction::triggered, menu, [chosen, path] { chosen(path); });
    }
    menu->addSeparator();
    QAction* otherAction = menu->addAction(QStringLiteral("その他のフォルダー..."));
    otherAction->setObjectName(QStringLiteral("otherFolderAction"));
    QObject::connect(otherAction, &QAction::triggered, menu, [other] { other(); });
    return menu;
}

}  // namespace chatkeeper::app
