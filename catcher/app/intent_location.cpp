#include "intent_location.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace chatkeeper::app {

QString ResolveIntentPath(const QString& xdgStateHome, const QString& home) {
    const QString stateHome =
        QDir::isAbsolutePath(xdgStateHome) ? xdgStateHome : home + QStringLiteral("/.local/state");
    return stateHome + QStringLiteral("/chatkeeper/capture-intent");
}

QString DefaultIntentPath() {
    const QString path = ResolveIntentPath(qEnvironmentVariable("XDG_STATE_HOME"), QDir::homePath());
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder)) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return path;
}

}  // namespace chatkeeper::app
