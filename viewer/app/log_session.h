// The viewer's model: what the viewer knows for the whole run. It owns the
// loaded source, the reading passes over it and what they found, the settings
// record and the user list with their files, the follow state and the recent
// files. The windows are its views: they render it, call it and follow its
// signals.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chatscope/html_export.h"
#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"
#include "user_state_store.h"

namespace chatscope {

class FileWatch;

class LogSession : public QObject {
    Q_OBJECT
public:
    // Loads the settings file (".cnf") and the filter file (".flt"); missing
    // files leave the defaults. The recent files and the follow switch live in
    // the user state file beside the settings file (none: kept in memory only).
    LogSession(std::string settingsFile, std::string filterFile, QObject* parent = nullptr);
    ~LogSession() override;  // writes the settings and filter files

    // Writes the settings file and the filter file, as at exit.
    void SaveSettingsFiles();

    // The sink the display's passes fill; none: the passes only count.
    void AttachDisplay(RetractableSink* sink);

    // The loaded files, read one after another as one log; empty when none is.
    const std::vector<std::string>& Sources() const { return sources_; }
    // The first loaded file; empty when none is.
    const std::string& CurrentLogPath() const;
    // The files the last load left out (gone, no regular file or no chat log), in their order.
    const std::vector<std::string>& LeftOut() const { return leftOut_; }

    // Loads chat log files into the display, one after another as one log. A
    // file that fails the header check is left out (LeftOut); false, nothing
    // changed, when all of them do. The files read become the Sources.
    bool Load(const std::vector<std::string>& paths);
    bool Load(const std::string& path) { return Load(std::vector<std::string>{path}); }
    // Files the user chose (open dialog, drop, command line, recent files):
    // Load, and on success the files read go first in the recent files, as one
    // entry.
    bool Open(const std::vector<std::string>& paths);
    bool Open(const std::string& path) { return Open(std::vector<std::string>{path}); }
    // Choosing a recent entry (a file or a set, see RecentEntry): an entry none
    // of whose files exists any more only leaves the list.
    void OpenRecent(const std::string& entry);
    // Loads the loaded files again, after a change of the filters.
    void Reload();

    // The statistics of the display's passes, and their All count.
    const LogStatistics& Statistics() const { return pass_.stats; }
    std::int64_t AllLines() const { return pass_.allLines; }

    const ViewerSettings& Settings() const { return settings_; }
    const UserList& Users() const { return users_; }
    const UserStateStore& PerUserState() const { return userState_; }
    // The folder the archive library shows, kept for its next start (an absolute path).
    void SetLibraryFolder(const std::string& folder);
    void SetBackgroundRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // A new filter word: the loaded file is read again with it.
    void SetFilterWord(std::uint32_t word);
    // Ticks or unticks one user of the list; the file is read again when that
    // changes what is shown.
    void SetUserTicked(std::size_t row, bool ticked);

    // The HTML save: a pass of its own over the loaded files, with the present
    // filters; the display's statistics are not touched.
    ExportResult SaveHtml(const std::string& outPath, const RecordLineFilter& keep) const;

    // "末尾を追う": while on, the last loaded file is watched and
    // FileMayHaveChanged comes when it may have grown.
    bool Following() const { return following_; }
    void SetFollowing(bool on);
    // One look at the last loaded file: Appended when records appended to it
    // were read into the display, ReloadNeeded when all the files were loaded
    // again (it shrank or was replaced), Unchanged when nothing was read (also
    // when loading again failed).
    FollowResult FollowOnce();

signals:
    // A load of Sources() is about to fill the display from its start (the display clears).
    void LoadStarting();
    // The load is over (also when a pass failed part way); Sources() and LeftOut() are final.
    void LoadFinished();
    // New totals of the display's passes.
    void StatisticsChanged();
    // Appended records were read into the display.
    void FollowAppended();
    void SettingsChanged();
    void RecentFilesChanged();
    void FileMayHaveChanged();

private:
    PassFilter Filter() const { return {settings_.filterWord(), users_}; }
    const std::string& FollowedPath() const;
    void Watch();
    RetractableSink& DisplaySink();

    std::string settingsFile_;
    std::string filterFile_;
    ViewerSettings settings_;
    UserList users_;
    UserStateStore userState_;
    std::vector<std::string> sources_;
    std::vector<std::string> leftOut_;
    PassResult pass_;
    RetractableSink* display_ = nullptr;
    FileWatch* fileWatch_ = nullptr;
    bool following_ = false;
};

}  // namespace chatscope
