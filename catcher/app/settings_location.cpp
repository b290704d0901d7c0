#include "settings_location.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace chatkeeper::app {

namespace {

enum class ProgramPlace { BuildTree, Installed, Portable };

// A build tree holds the marker in the executable's folder or one above it.
// An installed program lies under a system prefix, or in the bin folder of a
// prefix whose share/applications holds its desktop entry. Anything else is a
// copy the user put somewhere.
ProgramPlace PlaceOf(const QFileInfo& exe) {
    QString folder = exe.absolutePath();
    for (;;) {
        if (QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(kBuildTreeMarker)))
            return ProgramPlace::BuildTree;
        const QString parent = QFileInfo(folder).path();
        if (parent == folder) break;
        folder = parent;
    }
    const QString path = exe.absoluteFilePath();
    if (path.startsWith(QLatin1String("/usr/")) || path.startsWith(QLatin1String("/opt/")))
        return ProgramPlace::Installed;
    const QString prefix = QFileInfo(exe.absolutePath()).path();
    if (QFileInfo::exists(prefix + QStringLiteral("/share/applications/") + exe.fileName() +
                          QStringLiteral(".desktop")))
        return ProgramPlace::Installed;
    return ProgramPlace::Portable;
}

}  // namespace

QString ResolveSettingsPath(const QString& executablePath, const QString& configHome) {
    const QString beside = executablePath + QStringLiteral(".cnf");
    const QFileInfo exe(executablePath);
    switch (PlaceOf(exe)) {
    case ProgramPlace::BuildTree:
        if (QFileInfo::exists(beside) || QFileInfo(exe.absolutePath()).isWritable()) return beside;
        break;
    case ProgramPlace::Portable:
        if (QFileInfo::exists(beside)) return beside;
        break;
    case ProgramPlace::Installed: break;
    }
    return configHome + QStringLiteral("/chatkeeper/") + exe.fileName() + QStringLiteral(".cnf");
}

QString DefaultSettingsPath() {
    return ResolveSettingsPath(QCoreApplication::applicationFilePath(),
                               QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

}  // namespace chatkeeper::app
