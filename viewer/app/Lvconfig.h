// Form2: the settings dialog (background colour, etc checklist, user list).
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

class TForm1;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2(ViewerState& state, TForm1& form1, QWidget* parent = nullptr);
    ~TForm2() override;  // FormDestroy: saves both files

    // Controls, public for the tests.
    QScrollBar* ScrollR = nullptr;
    QScrollBar* ScrollG = nullptr;
    QScrollBar* ScrollB = nullptr;
    QFrame* Shape1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QListWidget* CheckListBox1 = nullptr;
    QListWidget* CheckListBox2 = nullptr;

    std::uint32_t SwatchColour() const;  // display colour 0x00BBGGRR

    // Escape and other rejects close the dialog the same way as its close box.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;    // FormShow: placement
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery

private:
    void ScrollRScroll();
    void ApplyBackgroundColour();
    void UpdateUserListEnabled();
    void CheckListBox1ClickCheck(QListWidgetItem* item);
    void CheckListBox2ClickCheck(QListWidgetItem* item);
    void ReloadLog();

    ViewerState& state_;
    TForm1& form1_;
    bool loading_ = false;
    std::uint32_t swatchColour_ = 0;
};

}  // namespace chatscope
