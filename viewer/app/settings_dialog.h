// The settings dialog (background colour, etc checklist, user list).
// Loads the settings and filter files when created, saves them when destroyed.
#pragma once

#include <QDialog>

#include <cstdint>

#include "viewer_state.h"

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QScrollBar;

namespace chatscope {

class MainWindow;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(ViewerState& state, MainWindow& mainWindow, QWidget* parent = nullptr);
    ~SettingsDialog() override;  // saves both files

    // Writes the settings file and the filter file, as at exit.
    void SaveSettingsFiles();

    // Controls, public for the tests.
    QScrollBar* redBar = nullptr;
    QScrollBar* greenBar = nullptr;
    QScrollBar* blueBar = nullptr;
    QFrame* swatch = nullptr;
    QLabel* backgroundLabel = nullptr;
    QLabel* etcFilterLabel = nullptr;
    QLabel* userListLabel = nullptr;
    QListWidget* etcFilterList = nullptr;
    QListWidget* userList = nullptr;

    std::uint32_t SwatchColour() const;  // display colour 0x00BBGGRR

    // Escape and other rejects close the dialog the same way as its close box.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;    // placement beside the main window
    void closeEvent(QCloseEvent* event) override;  // hides through the main window's toggle

private:
    void ColourBarMoved();
    void ApplyBackgroundColour();
    void UpdateUserListEnabled();
    void EtcFilterItemChanged(QListWidgetItem* item);
    void UserItemChanged(QListWidgetItem* item);
    void ReloadLog();

    ViewerState& state_;
    MainWindow& mainWindow_;
    bool loading_ = false;
    std::uint32_t swatchColour_ = 0;
};

}  // namespace chatscope
