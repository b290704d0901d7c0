#include "single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace chatkeeper::app {

QString SingleInstanceLock::DefaultLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        // No usable runtime folder (unset, or with wrong owner or mode): the
        // user's cache folder is per user as well.
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/chatkeeper");
        QDir().mkpath(folder);
    }
    return folder + QStringLiteral("/chatkeeperID");
}

SingleInstanceLock::SingleInstanceLock(const QString& lockPath)
    : path_(lockPath), lock_(std::make_unique<QLockFile>(lockPath)) {
    // An instance runs for days: its lock never goes stale by age, only when
    // the process that holds it is gone.
    lock_->setStaleLockTime(0);
}

bool SingleInstanceLock::TryLock() { return lock_->tryLock(0); }

}  // namespace chatkeeper::app
