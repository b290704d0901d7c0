// One catcher per user: a lock file "chatkeeperID" in the user's runtime folder.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace chatkeeper::app {

class SingleInstanceLock {
public:
    // The lock file: <runtime folder>/chatkeeperID.
    static QString DefaultLockPath();

    explicit SingleInstanceLock(const QString& lockPath = DefaultLockPath());

    // Takes the lock without waiting. A lock left behind by an instance that
    // no longer runs (crash, kill -9) is removed and taken over. False while
    // another instance holds it, or when the lock file cannot be made.
    bool TryLock();

    const QString& Path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace chatkeeper::app
