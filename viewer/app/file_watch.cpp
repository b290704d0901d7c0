#include "file_watch.h"

#include <QFileInfo>

namespace chatscope {

namespace {
constexpr int kPollMilliseconds = 1000;
}  // namespace

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &FileWatch::MayHaveChanged);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        // A file that was replaced drops out of the watch: take the new one.
        if (!path_.isEmpty() && !watcher_.files().contains(path_)) watcher_.addPath(path_);
        emit MayHaveChanged();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!path_.isEmpty() && !watcher_.files().contains(path_)) watcher_.addPath(path_);
        emit MayHaveChanged();
    });
}

void FileWatch::Watch(const QString& path) {
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    path_ = path;
    if (path.isEmpty()) {
        poll_.stop();
        return;
    }
    watcher_.addPath(path);
    watcher_.addPath(QFileInfo(path).absolutePath());
    poll_.start();
}

}  // namespace chatscope
