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

bool LogSession::Load(const std::string& path) {
    if (!CheckLogHeader(path)) return false;
    // The caller may pass CurrentLogPath() itself: copy before assigning.
    const std::string loaded = path;
    sources_.assign(1, loaded);
    emit LoadStarting(loaded);
    // LoadFinished comes also when the pass ends with an exception.
    struct Finish {
        LogSession& session;
        ~Finish() { emit session.LoadFinished(); }
    } finish{*this};
    pass_ = PassResult{};  // not followable should the pass fail
    pass_ = ReadLog(loaded, &DisplaySink(), Filter());
    if (pass_.opened) emit StatisticsChanged();
    if (following_) fileWatch_->Watch(FromLocalPath(loaded));
    return true;
}

bool LogSession::Open(const std::string& path) {
    if (!Load(path)) return false;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    const std::string recent = ec ? path : absolute.string();
    userState_.Change([&](UserState& s) { AddRecentFile(s, recent); });
    emit RecentFilesChanged();
    return true;
}

void LogSession::OpenRecent(const std::string& path) {
    std::error_code ec;
    const bool gone = !std::filesystem::exists(path, ec) && !ec;
    if (!gone) {
        Open(path);
        return;
    }
    userState_.Change([&](UserState& s) { RemoveRecentFile(s, path); });
    emit RecentFilesChanged();
}

void LogSession::Reload() {
    if (!CurrentLogPath().empty()) Load(CurrentLogPath());
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
    return ExportHtml(outPath, CurrentLogPath(), settings_, users_, keep);
}

void LogSession::SetFollowing(bool on) {
    if (following_ == on) return;
    following_ = on;
    if (userState_.State().follow != on) userState_.Change([on](UserState& s) { s.follow = on; });
    fileWatch_->Watch(on && !CurrentLogPath().empty() ? FromLocalPath(CurrentLogPath()) : QString());
}

FollowResult LogSession::FollowOnce() {
    if (!following_ || CurrentLogPath().empty()) return FollowResult::Unchanged;
    const FollowResult result = ReadAppended(CurrentLogPath(), &DisplaySink(), Filter(), pass_);
    if (result == FollowResult::Appended) {
        emit StatisticsChanged();
        emit FollowAppended();
        return result;
    }
    if (result == FollowResult::Unchanged || !Load(CurrentLogPath())) return FollowResult::Unchanged;
    return FollowResult::ReloadNeeded;
}

}  // namespace chatscope
