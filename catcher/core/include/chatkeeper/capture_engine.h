// The capture engine: watches the twenty game log files and appends each
// changed one, whole, to the current archive file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "chatkeeper/capture_journal.h"
#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/clock.h"
#include "chatkeeper/file_stamp.h"
#include "chatkeeper/file_system.h"

namespace chatkeeper {

inline constexpr int kGameLogFileCount = 20;
inline constexpr std::size_t kCopyBufferSize = 1024;

// Path of game log file i: folder text as typed, "/", i, ".log".
std::string GameLogFilePath(const std::string& folder, int index);

// What one tick did.
struct TickResult {
    int captured = -1;  // number of the game log file appended, -1 for none
    int failed = 0;     // changed files whose capture failed (retried next tick)
    int vanished = 0;   // files that disappeared since last seen
};

class CaptureEngine {
public:
    // settings is read, never written, and must outlive the engine: the
    // window or the headless runner keeps it current.
    CaptureEngine(const CatcherSettings& settings, const Clock& clock, FileSystem& files);

    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Set once at start-up from the settings file; zero by default.
    void SetRotationInterval(const RotationInterval& interval) { rotationInterval_ = interval; }
    const RotationInterval& GetRotationInterval() const { return rotationInterval_; }

    // Where each capture records its intent before it touches the archive;
    // none by default. Set before TakeBaseline.
    void SetJournal(CaptureJournal* journal) { journal_ = journal; }

    // An archive folder that the first capture into it creates when it is
    // missing (the default one the catcher chose itself); none by default.
    void SetArchiveFolderToCreate(std::string folder) { archiveFolderToCreate_ = std::move(folder); }

    // Remembers the stamps of the twenty game log files as already captured.
    // An empty game log folder text means no folder: every file is missing.
    // First, a capture that a kill or a power cut interrupted (its intent
    // record is still in the journal) is undone: the archive is put back as
    // it was before that capture began, and that game log file is left out
    // of the baseline, so that the first tick captures it again. Only a copy
    // that is whole while its game log file has changed since is kept.
    void TakeBaseline();

    // One capture step: at most one successful capture, in ascending number.
    // A capture appends the whole file, checks that the file did not change
    // meanwhile and flushes the archive before the stamp is remembered. A
    // capture that fails cuts the archive back to its length before the
    // append, keeps the remembered stamp (retried next tick) and the scan
    // goes on with the next changed file. A file that vanished is remembered
    // as missing without opening any archive, and the scan goes on.
    TickResult Tick();

    // Names a new archive from the archive folder, the template (cut to 1023
    // bytes) and the current local time; sets NextRotationTime. No file is
    // opened here. With an empty archive folder text
    // there is no archive folder: ArchivePath becomes empty and captures
    // fail until a folder is set.
    void StartNewArchive();

    const std::string& ArchivePath() const { return archivePath_; }
    std::int64_t NextRotationTime() const { return nextRotationTime_; }
    const FileStamp& RememberedStamp(int index) const { return stamps_.at(index); }

    // Called with the new ArchivePath whenever StartNewArchive changes it.
    std::function<void(const std::string&)> onArchiveNamed;

private:
    enum class CaptureOutcome { Captured, Failed };

    bool CopyIsWholeButCannotBeRepeated(const CaptureIntent& intent);
    FileStamp StampOf(const std::string& folder, int index);
    bool RotationDue();
    CaptureOutcome Capture(int index, const std::string& gameLogPath, const FileStamp& seen);

    const CatcherSettings& settings_;
    const Clock& clock_;
    FileSystem& files_;
    CaptureJournal* journal_ = nullptr;

    std::array<FileStamp, kGameLogFileCount> stamps_{};
    std::string archivePath_;
    std::string archiveFolder_;  // the folder archivePath_ was named in
    std::string archiveFolderToCreate_;
    std::int64_t nextRotationTime_ = 0;
    RotationInterval rotationInterval_{};
    // True until an archive has been named and opened successfully, and
    // again after an archive could not be opened: the next capture then
    // starts a new archive with the folder and template of that moment.
    bool needNewArchive_ = true;
};

}  // namespace chatkeeper
