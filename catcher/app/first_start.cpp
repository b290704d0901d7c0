// The catcher's first start without a settings file, and what its tray
// tooltip and window say while a folder is still to be set.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSystemTrayIcon>

#include "catcher_text.h"
#include "catcher.h"
#include "catcher_window.h"
#include "chatkeeper/documents_folder.h"
#include "game_folder_menu.h"

namespace chatkeeper::app {

namespace {

constexpr int kWindowWidth = 365;
constexpr int kWindowHeight = 173;
constexpr int kLineMargin = 4;

}  // namespace

void CatcherWindow::GuideFirstStart() {
    if (settingsLoaded_ || !gameFolderEdit->text().isEmpty()) return;
    const std::vector<GameFolderCandidate> candidates = EditableCandidates(FindGameFolders());
    candidatesFound_ = static_cast<int>(candidates.size());
    if (archiveFolderEdit->text().isEmpty()) {
        archiveFolderToCreate_ = FromFileName(DefaultArchiveFolder());
        catcher_->Engine().SetArchiveFolderToCreate(ToFileName(archiveFolderToCreate_));
        archiveFolderEdit->setText(archiveFolderToCreate_);
    }
    if (candidates.size() == 1) {
        gameFolderEdit->setText(FromFileName(candidates.front().path));
        // Watched from now on, as at every later start.
        catcher_->Engine().TakeBaseline();
        firstStartNote_ = QStringLiteral("ゲームのログフォルダー %1 を見張ります。ログは %2 に保存します。")
                              .arg(gameFolderEdit->text(), archiveFolderEdit->text());
        if (trayIcon_)
            trayIcon_->showMessage(QStringLiteral("chatkeeper"), firstStartNote_, QSystemTrayIcon::Information, 20000);
    } else {
        setupLineWanted_ = true;
        if (trayIcon_) ShowSettings();  // without a tray the window shows anyway
    }
    UpdateSetupState();
}

void CatcherWindow::UpdateSetupState() {
    const QString game = gameFolderEdit->text();
    const QString archive = archiveFolderEdit->text();
    const bool gameUnset = game.isEmpty() || !QFileInfo(game).isDir();
    // The folder chosen at the first start is made by the first capture.
    const bool archiveUnset = archive.isEmpty() || (!QFileInfo(archive).isDir() && archive != archiveFolderToCreate_);

    if (trayIcon_) {
        QString tip = QStringLiteral("chatkeeper");
        if (gameUnset && archiveUnset)
            tip += QStringLiteral(": ゲームのログフォルダーとログ保存フォルダーが未設定");
        else if (gameUnset)
            tip += QStringLiteral(": ゲームのログフォルダーが未設定");
        else if (archiveUnset)
            tip += QStringLiteral(": ログ保存フォルダーが未設定");
        if (trayIcon_->toolTip() != tip) trayIcon_->setToolTip(tip);
    }

    QStringList line;
    if (gameUnset) {
        line << QStringLiteral("ゲームのログフォルダーが未設定です。");
        if (candidatesFound_ > 1)
            line << QStringLiteral("見つかった %1 個の候補から「参照」で選んでください。").arg(candidatesFound_);
        else
            line << QStringLiteral("0.log〜19.log のあるフォルダーを「参照」で選んでください。");
    }
    if (archiveUnset) line << QStringLiteral("ログ保存フォルダーが未設定です。「参照」で選んでください。");
    if (line.isEmpty() && !trayIcon_ && !firstStartNote_.isEmpty()) line << firstStartNote_;
    const bool shown = (!trayIcon_ || setupLineWanted_) && !line.isEmpty();

    if (!setupLine_ && !shown) return;
    if (!setupLine_) {
        setupLine_ = new QLabel(this);
        setupLine_->setObjectName(QStringLiteral("setupLine"));
        setupLine_->setWordWrap(true);
        setupLine_->setTextFormat(Qt::PlainText);
    }
    setupLine_->setText(line.join(QString()));
    setupLine_->setVisible(shown);
    const int width = kWindowWidth - 2 * kLineMargin;
    const int height = shown ? setupLine_->heightForWidth(width) : 0;
    setupLine_->setGeometry(kLineMargin, kWindowHeight, width, height);
    setFixedSize(kWindowWidth, kWindowHeight + (shown ? height + kLineMargin : 0));
}

}  // namespace chatkeeper::app
