// Starting the catcher at login: its XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/chatkeeper.desktop (default ~/.config/autostart/).
#pragma once

#include <QByteArray>
#include <QString>

namespace chatkeeper::app {

QString AutostartEntryPath();

// Whether the entry exists and is not marked Hidden=true (the desktop's own
// way of switching an entry off).
bool AutostartEnabled(const QString& entryPath);

// Writes the entry that starts executable, atomically, creating the folder
// when needed. False when it cannot be written (nothing is changed then).
bool EnableAutostart(const QString& entryPath, const QString& executable);

// Removes the entry. True when no entry is left.
bool DisableAutostart(const QString& entryPath);

// The content of the entry that starts executable.
QByteArray AutostartEntryText(const QString& executable);

// The value of an Exec key that runs program with no arguments: the path
// quoted and escaped by the desktop entry rules, ready to be written to the
// file.
QString ExecValue(const QString& program);

}  // namespace chatkeeper::app
