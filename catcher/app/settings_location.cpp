#include "settings_location.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace chatkeeper::app {

QString ResolveSettingsPath(const QString& executablePath, const QString& configHome) {
    const QFileInfo exe(executablePath);
    const QString absolute = exe.absoluteFilePath();
    const QString beside = absolute + QStringLiteral(".cnf");
    const chatlog::fileio::ProgramFiles program =
        chatlog::fileio::RealProgramFiles(QFile::encodeName(absolute).toStdString());
    if (chatlog::fileio::KeepsSettingsBeside(program, {QFile::encodeName(beside).toStdString()}))
        return executablePath + QStringLiteral(".cnf");
    return configHome + QStringLiteral("/chatkeeper/") + exe.fileName() + QStringLiteral(".cnf");
}

QString DefaultSettingsPath() {
    return ResolveSettingsPath(QCoreApplication::applicationFilePath(),
                               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace chatkeeper::app
