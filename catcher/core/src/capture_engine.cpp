#include "chatkeeper/capture_engine.h"

#include <array>
#include <optional>

#include "chatkeeper/file_name_template.h"
#include "chatkeeper/settings_record.h"

namespace chatkeeper {

std::string GameLogFilePath(const std::string& folder, int index) {
    std::string path;
    path.reserve(folder.size() + 8);
    path += folder;
    path += '/';
    path += std::to_string(index);
    path += ".log";
    return path;
}

CaptureEngine::CaptureEngine(const CatcherSettings& settings, const Clock& clock, FileSystem& files)
    : settings_(settings), clock_(clock), files_(files) {
    stamps_.fill(FileStamp::Missing());
}

void CaptureEngine::TakeBaseline() {
    std::optional<CaptureIntent> interrupted;
    if (journal_) {
        interrupted = journal_->Pending();
        if (interrupted && CopyIsWholeButCannotBeRepeated(*interrupted)) interrupted.reset();
        // The append added at most the size the game log file had.
        if (interrupted)
            files_.UndoAppend(interrupted->archivePath, interrupted->archiveLength, interrupted->stamp.size);
        journal_->Clear();  // also a record cut short, or one that could not be undone
    }
    const std::string folder = settings_.gameLogFolder;
    for (int i = 0; i < kGameLogFileCount; ++i) {
        stamps_[static_cast<std::size_t>(i)] = StampOf(folder, i);
    }
    if (interrupted && !folder.empty() &&
        GameLogFilePath(folder, interrupted->gameLogIndex) == interrupted->gameLogPath) {
        stamps_[static_cast<std::size_t>(interrupted->gameLogIndex)] = FileStamp::Unseen();
    }
}

bool CaptureEngine::CopyIsWholeButCannotBeRepeated(const CaptureIntent& intent) {
    // Every byte of the copy reached the archive (the kill came while it was
    // flushed, or just after), and the game log file has changed or gone
    // since, so that this version cannot be captured again: keep it. While
    // the file is as it was, the copy is undone and made afresh instead,
    // which also mends a copy that a power cut left unflushed.
    const std::int64_t base = intent.archiveLength < 0 ? 0 : intent.archiveLength;
    return intent.stamp.size > 0 && files_.FileSize(intent.archivePath) - base == intent.stamp.size &&
           !(files_.Stamp(intent.gameLogPath) == intent.stamp);
}

FileStamp CaptureEngine::StampOf(const std::string& folder, int index) {
    // No game log folder set yet: there are no game log files (rather than
    // files in the root folder).
    if (folder.empty()) return FileStamp::Missing();
    return files_.Stamp(GameLogFilePath(folder, index));
}

TickResult CaptureEngine::Tick() {
    TickResult result;
    const std::string folder = settings_.gameLogFolder;
    for (int i = 0; i < kGameLogFileCount; ++i) {
        const std::string path = GameLogFilePath(folder, i);
        const FileStamp seen = StampOf(folder, i);
        FileStamp& remembered = stamps_[static_cast<std::size_t>(i)];
        if (seen == remembered) continue;
        if (seen.missing) {
            // The file went away: nothing to copy. Remember that it is gone,
            // so that a re-created file counts as changed and is captured.
            remembered = seen;
            ++result.vanished;
            continue;
        }
        if (Capture(i, path, seen) == CaptureOutcome::Captured) {
            remembered = seen;
            result.captured = i;
            break;
        }
        // Failed: the stamp stays as it was, so the file is tried again at
        // the next tick; meanwhile the next changed file gets its turn.
        ++result.failed;
    }
    return result;
}

bool CaptureEngine::RotationDue() {
    switch (settings_.mode) {
    case RotationMode::RotateByTime: return clock_.Now().msSinceLocalEpoch > nextRotationTime_;
    case RotationMode::RotateBySize: {
        const std::int64_t limit = static_cast<std::int64_t>(settings_.sizeLimitKb) * 1024;
        std::int64_t length = files_.FileSize(archivePath_);
        if (length < 0) length = 0;  // deleted archive: the append re-creates it
        return length > limit;
    }
    case RotationMode::RotateNever:
    default: return false;
    }
}

CaptureEngine::CaptureOutcome CaptureEngine::Capture(int index, const std::string& gameLogPath, const FileStamp& seen) {
    std::unique_ptr<ReadableFile> source = files_.OpenRead(gameLogPath);
    if (!source) return CaptureOutcome::Failed;

    if (needNewArchive_ || RotationDue()) StartNewArchive();
    if (archivePath_.empty()) return CaptureOutcome::Failed;

    // Recorded before the archive is touched (even created), so that a
    // capture cut short at any point can be undone at the next start.
    CaptureIntent intent{archivePath_, files_.FileSize(archivePath_), index, gameLogPath, seen};
    bool recorded = journal_ && journal_->Record(intent);
    const auto forget = [&] {
        if (recorded) journal_->Clear();
        return CaptureOutcome::Failed;
    };

    if (intent.archiveLength < 0 && !archiveFolderToCreate_.empty() && archiveFolder_ == archiveFolderToCreate_)
        files_.CreateFolders(archiveFolder_);
    std::unique_ptr<AppendableFile> archive = files_.OpenAppend(archivePath_);
    if (!archive || archive->Identity() == source->Identity()) {
        if (archive && intent.archiveLength < 0) {
            archive.reset();
            files_.UndoAppend(archivePath_, -1, 0);
        }
        // No usable archive: name it afresh at the next attempt, with the
        // folder and template in force then.
        needNewArchive_ = true;
        return forget();
    }
    needNewArchive_ = false;

    const std::int64_t lengthBefore = archive->Length();
    if (lengthBefore < 0) return forget();
    if (lengthBefore != (intent.archiveLength < 0 ? 0 : intent.archiveLength)) {
        // Someone else wrote to the archive meanwhile: record what is there now.
        intent.archiveLength = lengthBefore;
        recorded = journal_ && journal_->Record(intent);
    }

    // Cuts the archive back; one that this capture created is removed again.
    const auto rollBack = [&] {
        archive->TruncateTo(lengthBefore);
        if (intent.archiveLength < 0) {
            archive.reset();
            files_.UndoAppend(archivePath_, -1, 0);
        }
        return forget();
    };

    std::array<char, kCopyBufferSize> buffer;
    std::int64_t copied = 0;
    for (;;) {
        const std::int64_t got = source->Read(buffer.data(), buffer.size());
        if (got < 0) return rollBack();
        if (got == 0) break;
        // Longer than it was when looked at: it is being written; stop
        // before the archive grows past the size that was seen.
        if (copied + got > seen.size) return rollBack();
        if (!archive->Write(buffer.data(), static_cast<std::size_t>(got))) return rollBack();
        copied += got;
    }
    // A file that changed while it was copied is not kept: the next tick
    // sees a new stamp (or the same one again) and copies it whole.
    if (copied != seen.size || !(files_.Stamp(gameLogPath) == seen)) return rollBack();
    if (!archive->Sync()) return rollBack();
    if (recorded) journal_->Clear();
    return CaptureOutcome::Captured;
}

void CaptureEngine::StartNewArchive() {
    const LocalDateTime now = clock_.Now();
    std::string tmpl = settings_.fileNameTemplate;
    if (tmpl.size() > kMaxTemplateBytes) tmpl.resize(kMaxTemplateBytes);
    const std::string& folder = settings_.archiveFolder;
    archiveFolder_ = folder;
    std::string named = folder.empty() ? std::string() : folder + "/" + ExpandFileNameTemplate(tmpl, now.fields);
    nextRotationTime_ = now.msSinceLocalEpoch + rotationInterval_.Milliseconds();
    if (named == archivePath_) return;
    archivePath_ = std::move(named);
    if (onArchiveNamed) onArchiveNamed(archivePath_);
}

}  // namespace chatkeeper
