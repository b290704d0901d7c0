// Form1: the viewer's main window.
#pragma once

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "viewer_state.h"

class QAction;
class QLabel;
class QMenu;

namespace chatscope {

class DisplaySink;
class LogDisplay;
class TForm2;
class TForm3;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(ViewerState& state, QWidget* parent = nullptr);
    ~TForm1() override;

    // Wired once the side windows exist (Form2 and Form3 are created after Form1).
    void SetSideWindows(TForm2* form2, TForm3* form3);

    // Loads a chat log file into the display; false (nothing changed) when it fails the header check.
    bool LoadLogFile(const std::string& path);
    const std::string& CurrentLogPath() const { return currentLogPath_; }
    LogStatistics& Statistics() { return state_.stats; }
    LogDisplay* Display() const { return RichEdit1; }
    void UpdateDisplayBackground();

    // Show/hide toggles of the side windows; their close buttons call these too.
    void Data1Click();
    void Option1Click();

    QString Panel0Text() const;
    QString Panel1Text() const;

    // Handlers (public so tests can drive them like a menu click).
    void Open1Click();
    void Save1Click();
    void SaveToPath(const QString& chosenPath);  // Save1Click after the dialog
    void Exit1Click();
    void Copy1Click();
    void ChannelClick(int bit);  // Say1Click .. etc1Click share this with their bit 0-6
    void Say1Click() { ChannelClick(0); }
    void Tell1Click() { ChannelClick(1); }
    void Party1Click() { ChannelClick(2); }
    void Linkshell1Click() { ChannelClick(3); }
    void Shout1Click() { ChannelClick(4); }
    void Emote1Click() { ChannelClick(5); }
    void etc1Click() { ChannelClick(6); }
    void RichEdit1SelectionChange();
    QAction* ChannelAction(int bit, bool popup) const;
    QAction* DataAction(bool popup) const;
    QAction* OptionAction(bool popup) const;
    QAction* CopyAction() const;
    QMenu* PopupMenu() const;

    // The name the save dialog offers next (the loaded log with ".htm", or the last choice).
    QString SaveDialogPreset() const;

    // Paths are handed to the core as local 8-bit file names.
    static std::string ToLocalPath(const QString& path);
    static QString FromLocalPath(const std::string& path);

signals:
    // The main window was closed: the viewer ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void SetChannelChecks();

    ViewerState& state_;
    LogReader reader_;
    std::string currentLogPath_;
    LogDisplay* RichEdit1 = nullptr;
    QLabel* panel0_ = nullptr;
    QLabel* panel1_ = nullptr;
    TForm2* form2_ = nullptr;
    TForm3* form3_ = nullptr;
    std::unique_ptr<DisplaySink> displaySink_;
    QString saveDialogName_;
    struct Menus;
    std::unique_ptr<Menus> menus_;
};

}  // namespace chatscope
