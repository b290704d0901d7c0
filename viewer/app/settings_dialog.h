// The settings dialog (background colour, etc checklist, user list): a view of
// the session's settings record and user list.
#pragma once

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QScrollBar;

namespace chatscope {

class LogSession;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // Shown beside `anchor` (the main window).
    SettingsDialog(LogSession& session, QWidget* anchor, QWidget* parent = nullptr);

    // Its parts go by their object names: the scroll bars "redBar", "greenBar"
    // and "blueBar", the frame "swatch", the labels "backgroundLabel",
    // "etcFilterLabel" and "userListLabel", the lists "etcFilterList" and "userList".

    std::uint32_t SwatchColour() const;  // display colour 0x00BBGGRR

    // Escape and other rejects close the dialog the same way as its close box.
    void reject() override;

signals:
    // The close box was clicked while the dialog was shown: whoever toggles it hides it.
    void CloseRequested();

protected:
    void showEvent(QShowEvent* event) override;    // placement beside the anchor
    void closeEvent(QCloseEvent* event) override;  // CloseRequested

private:
    void ColourBarMoved();
    void ApplyBackgroundColour();
    void UpdateUserListEnabled();
    void EtcFilterItemChanged(QListWidgetItem* item);
    void UserItemChanged(QListWidgetItem* item);

    LogSession& session_;
    QWidget* anchor_;
    QScrollBar* redBar_ = nullptr;
    QScrollBar* greenBar_ = nullptr;
    QScrollBar* blueBar_ = nullptr;
    QFrame* swatch_ = nullptr;
    QLabel* userListLabel_ = nullptr;
    QListWidget* etcFilterList_ = nullptr;
    QListWidget* userList_ = nullptr;
    bool loading_ = false;
    std::uint32_t swatchColour_ = 0;
};

}  // namespace chatscope
