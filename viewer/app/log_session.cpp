// The viewer's model.
#include "log_session.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "chatscope/classify.h"
#include "chatscope/filter_file.h"
#include "chatscope/paths.h"
#include "chatscope/user_state.h"
#include "file_watch.h"
#include "local_path.h"
#include "settings_files.h"

namespace chatscope {

namespace {

// The display's sink when no display is attached: the passes only count.
class CountingSink final : public RetractableSink {
public:
    void Put(std::uint8_t, std::uint32_t, std::string_view, bool) override {}
    void RetractLast() override {}
};

}  // namespace

LogSession::LogSession(std::string settingsFile, std::string filterFile, QObject* parent)
    : QObject(parent),
      settingsFile_(std::move(settingsFile)),
      filterFile_(std::move(filterFile)),
      userState_(settingsFile_.empty() ? std::string() : UserStatePathFor(settingsFile_)) {
    LoadSettingsFiles(settingsFile_, filterFile_, settings_, users_);
    fileWatch_ = new FileWatch(this);
    connect(fileWatch_, &FileWatch::MayHaveChanged, this, &LogSession::FileMayHaveChanged);
}

LogSession::~LogSession() { SaveSettingsFiles(); }

void LogSession::SaveSettingsFiles() {
    // The per-user configuration folder may not exist yet on a first run.
    EnsureFolderOf(settingsFile_);
    SaveViewerSettings(settingsFile_, settings_);
    SaveUserFilters(filterFile_, users_);
}

void LogSession::AttachDisplay(RetractableSink* sink) { display_ = sink; }

RetractableSink& LogSession::DisplaySink() {
    static CountingSink counting;
    return display_ ? *display_ : counting;
}

const std::string& LogSession::CurrentLogPath() const {
    static const std::string none;
    return sources_.empty() ? none : sources_.front();
}

const std::string& LogSession::FollowedPath() const {
    static const std::string none;
    return sources_.empty() ? none : sources_.back();
}

void LogSession::Watch() { fileWatch_->Watch(following_ ? FromLocalPath(FollowedPath()) : QString()); }

bool LogSession::Load(const std::vector<std::string>& paths) {
    // The caller may pass Sources() itself: the lists are built before assigning.
    std::vector<std::string> logs, leftOut;
    for (const std::string& path : paths) (CheckLogHeader(path) ? logs : leftOut).push_back(path);
    if (logs.empty()) return false;
    sources_ = std::move(logs);
    leftOut_ = std::move(leftOut);
    emit LoadStarting();
    // LoadFinished comes also when the pass ends with an exception.
    struct Finish {
        LogSession& session;
        ~Finish() { emit session.LoadFinished(); }
    } finish{*this};
    pass_ = PassResult{};  // not followable should the pass fail
    pass_ = ReadLogs(sources_, &DisplaySink(), Filter());
    // A file that changed since its check was left out by the pass: it is no source.
    if (!pass_.skipped.empty()) {
        for (const std::string& gone : pass_.skipped) std::erase(sources_, gone);
        leftOut_.insert(leftOut_.end(), pass_.skipped.begin(), pass_.skipped.end());
    }
    if (pass_.opened) emit StatisticsChanged();
    if (following_) Watch();
    return true;
}

bool LogSession::Open(const std::vector<std::string>& paths) {
    if (!Load(paths)) return false;
    std::vector<std::string> recent;
    for (const std::string& path : sources_) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        recent.push_back(ec ? path : absolute.string());
    }
    userState_.Change([&](UserState& s) { AddRecentFile(s, RecentEntry(recent)); });
    emit RecentFilesChanged();
    return true;
}

void LogSession::OpenRecent(const std::string& entry) {
    const std::vector<std::string> files = RecentEntryFiles(entry);
    bool gone = true;
    for (const std::string& path : files) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec) || ec) gone = false;
    }
    if (!gone) {
        // A set with a file left out comes back as a new entry, in this one's place.
        if (Load(files)) {
            userState_.Change([&](UserState& s) {
                RemoveRecentFile(s, entry);
                AddRecentFile(s, RecentEntry(sources_));
            });
            emit RecentFilesChanged();
        }
        return;
    }
    userState_.Change([&](UserState& s) { RemoveRecentFile(s, entry); });
    emit RecentFilesChanged();
}

void LogSession::SetLibraryFolder(const std::string& folder) {
    if (userState_.State().libraryFolder == folder) return;
    userState_.Change([&](UserState& s) { s.libraryFolder = folder; });
}

void LogSession::Reload() {
    if (!sources_.empty()) Load(sources_);
}

void LogSession::SetBackgroundRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    settings_.SetRgb(red, green, blue);
    emit SettingsChanged();
}

void LogSession::SetFilterWord(std::uint32_t word) {
    if (word == settings_.filterWord()) return;
    settings_.SetFilterWord(word);
    emit SettingsChanged();
    Reload();
}

void LogSession::SetUserTicked(std::size_t row, bool ticked) {
    if (row >= users_.size() || users_[row].ticked == ticked) return;
    users_.SetTicked(row, ticked);
    // With the user-specified records hidden altogether, no tick changes what is shown.
    if (settings_.filterWord() & FilterBit::UserSpecified) return;
    Reload();
}

ExportResult LogSession::SaveHtml(const std::string& outPath, const RecordLineFilter& keep) const {
    return ExportHtml(outPath, sources_, settings_, users_, keep);
}

void LogSession::SetFollowing(bool on) {
    if (following_ == on) return;
    following_ = on;
    if (userState_.State().follow != on) userState_.Change([on](UserState& s) { s.follow = on; });
    Watch();
}

FollowResult LogSession::FollowOnce() {
    if (!following_ || sources_.empty()) return FollowResult::Unchanged;
    const FollowResult result = ReadAppended(FollowedPath(), &DisplaySink(), Filter(), pass_);
    if (result == FollowResult::Appended) {
        emit StatisticsChanged();
        emit FollowAppended();
        return result;
    }
    if (result == FollowResult::Unchanged || !Load(sources_)) return FollowResult::Unchanged;
    return FollowResult::ReloadNeeded;
}

}  // namespace chatscope
