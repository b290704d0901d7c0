// Where the catcher keeps the intent record of the capture under way.
#pragma once

#include <QString>

namespace chatkeeper::app {

// <stateHome>/chatkeeper/capture-intent, with stateHome $XDG_STATE_HOME when
// that is an absolute path, else ~/.local/state.
QString ResolveIntentPath(const QString& xdgStateHome, const QString& home);

// ResolveIntentPath for this user; creates the folder (0700) when missing.
QString DefaultIntentPath();

}  // namespace chatkeeper::app
