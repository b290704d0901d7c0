// Where the catcher settings file lives.
#pragma once

#include <QString>

namespace chatkeeper::app {

// The executable's path with ".cnf" appended, used when that file exists or
// the executable's folder is writable; otherwise
// <configHome>/chatkeeper/<executable name>.cnf.
QString ResolveSettingsPath(const QString& executablePath, const QString& configHome);

// ResolveSettingsPath for the running program: the application's file path
// and $XDG_CONFIG_HOME (default ~/.config). Needs a QCoreApplication.
QString DefaultSettingsPath();

}  // namespace chatkeeper::app
