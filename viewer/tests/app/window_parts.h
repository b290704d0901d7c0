// The parts of the viewer's windows as the tests meet them: widgets, menus and
// commands found by their object names, commands run by triggering them.
#pragma once

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QTableView>
#include <QtGlobal>

#include "main_window.h"

namespace apptest {

// The child of `owner` of type T named `name`; a test without it cannot go on.
template <typename T> T* Part(const QObject& owner, const QString& name) {
    T* part = owner.findChild<T*>(name);
    if (!part) qFatal("no part named %s", qPrintable(name));
    return part;
}

inline QAction* Command(const QObject& owner, const char* name) { return Part<QAction>(owner, QLatin1String(name)); }

// The main window's commands with a main menu item and a popup item.
inline QAction* ChannelCommand(const QObject& main, chatscope::Channel channel, bool popup) {
    const int bit = static_cast<int>(channel);
    return Part<QAction>(main,
                         (popup ? QStringLiteral("popupChannelAction%1") : QStringLiteral("channelAction%1")).arg(bit));
}
inline QAction* StatisticsCommand(const QObject& main, bool popup) {
    return Command(main, popup ? "popupStatisticsAction" : "statisticsAction");
}
inline QAction* SettingsCommand(const QObject& main, bool popup) {
    return Command(main, popup ? "popupSettingsAction" : "settingsAction");
}

// The text of the main window's status panel "experiencePanel" or "channelCountPanel".
inline QString PanelText(const QObject& main, const char* panel) {
    return Part<QLabel>(main, QLatin1String(panel))->text();
}

// A click on column `column` of the header of the statistics list `list`.
inline void ClickColumn(const QObject& window, const char* list, int column) {
    emit Part<QTableView>(window, QLatin1String(list))->horizontalHeader()->sectionClicked(column);
}

}  // namespace apptest
