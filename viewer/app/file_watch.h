// Notices that a file may have changed: the file system's notification when
// there is one, and a poll every second for file systems without it.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace chatscope {

class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject* parent = nullptr);

    // Watches `path` (and its folder, so a replaced file is noticed); an empty path stops.
    void Watch(const QString& path);

signals:
    // The file may have changed; the receiver finds out what changed.
    void MayHaveChanged();

private:
    QFileSystemWatcher watcher_;
    QTimer poll_;
    QString path_;
};

}  // namespace chatscope
