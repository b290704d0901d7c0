// Where the catcher settings file lives.
#pragma once

#include <QString>

#include "fileio/settings_place.h"

namespace chatkeeper::app {

using chatlog::fileio::kBuildTreeMarker;

// The executable's path with ".cnf" appended where the rule of both programs
// keeps settings beside the program (see chatlog::fileio::KeepsSettingsBeside);
// otherwise <configHome>/chatkeeper/<executable name>.cnf.
QString ResolveSettingsPath(const QString& executablePath, const QString& configHome);

// ResolveSettingsPath for the running program: the application's file path
// and $XDG_CONFIG_HOME (default ~/.config). Needs a QCoreApplication.
QString DefaultSettingsPath();

}  // namespace chatkeeper::app
