// Where the catcher settings file lives.
#pragma once

#include <QString>

namespace chatkeeper::app {

// The build system writes this file at the top of every build tree.
inline constexpr char kBuildTreeMarker[] = "chatlogtools-build-tree";

// The executable's path with ".cnf" appended for a program in a build tree
// when that file exists or the executable's folder is writable, and for a copy
// outside any prefix when that file exists. Otherwise, and always for an
// installed program (under /usr or /opt, or in the bin folder of a prefix whose
// share/applications holds its desktop entry):
// <configHome>/chatkeeper/<executable name>.cnf.
QString ResolveSettingsPath(const QString& executablePath, const QString& configHome);

// ResolveSettingsPath for the running program: the application's file path
// and $XDG_CONFIG_HOME (default ~/.config). Needs a QCoreApplication.
QString DefaultSettingsPath();

}  // namespace chatkeeper::app
