#include "settings_location.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace chatkeeper::app {

QString ResolveSettingsPath(const QString& executablePath, const QString& configHome) {
    const QString beside = executablePath + QStringLiteral(".cnf");
    const QFileInfo exe(executablePath);
    if (QFileInfo::exists(beside) || QFileInfo(exe.absolutePath()).isWritable()) return beside;
    return configHome + QStringLiteral("/chatkeeper/") + exe.fileName() + QStringLiteral(".cnf");
}

QString DefaultSettingsPath() {
    return ResolveSettingsPath(QCoreApplication::applicationFilePath(),
                               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace chatkeeper::app
