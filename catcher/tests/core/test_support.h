// Helpers for the core tests: file writes, a fake clock and a file system
// that injects faults into the real one (the temporary folder and whole-file
// reads are the shared ones).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/clock.h"
#include "chatkeeper/file_system.h"
#include "test_support/temp_dir.h"

namespace chatkeeper::test {

using testsupport::ListNames;
using testsupport::ReadAll;
using testsupport::TempDir;

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void AppendFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Sets the last-write time explicitly so that every rewrite in a test has a
// distinct stamp, however coarse the file system's clock is.
inline void SetMtime(const std::string& path, std::int64_t seconds, long nanoseconds = 0) {
    timespec times[2];
    times[0].tv_sec = static_cast<time_t>(seconds);
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline bool Exists(const std::string& path) { return std::filesystem::exists(path); }

// Wall-clock fields from milliseconds since the local epoch (the inverse of
// LocalMilliseconds).
inline DateTimeFields FieldsFromLocalMilliseconds(std::int64_t ms) {
    using namespace std::chrono;
    const sys_time<milliseconds> time{milliseconds{ms}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<milliseconds> clock{time - day};
    DateTimeFields f;
    f.year = static_cast<int>(date.year());
    f.month = static_cast<int>(static_cast<unsigned>(date.month()));
    f.day = static_cast<int>(static_cast<unsigned>(date.day()));
    f.hour = static_cast<int>(clock.hours().count());
    f.minute = static_cast<int>(clock.minutes().count());
    f.second = static_cast<int>(clock.seconds().count());
    f.millisecond = static_cast<int>(clock.subseconds().count());
    return f;
}

class FakeClock final : public Clock {
public:
    explicit FakeClock(DateTimeFields start = {2003, 7, 12, 14, 5, 9, 250}) : ms_(LocalMilliseconds(start)) {}
    LocalDateTime Now() const override { return MakeLocalDateTime(FieldsFromLocalMilliseconds(ms_)); }
    void Advance(std::int64_t ms) { ms_ += ms; }
    void AdvanceSeconds(std::int64_t s) { ms_ += s * 1000; }
    std::int64_t Milliseconds() const { return ms_; }

private:
    std::int64_t ms_;
};

// Thrown where a test stops the engine as a kill would: nothing after that
// point runs, no destructor of the engine's caller cleans up on purpose.
struct SimulatedKill {};

// The real file system with faults on demand.
class FaultyFileSystem final : public FileSystem {
public:
    // Counts the steps that change the disk (open for appending, each write,
    // flush, cut, undo); the step numbered killAtStep throws SimulatedKill,
    // a write after half its bytes landed. 0: never.
    int killAtStep = 0;
    int steps = 0;
    std::set<std::string> unreadable;                   // OpenRead fails for these paths
    int failWriteNumber = 0;                            // the Nth Write (1-based) fails after half its bytes
    int failReadNumber = 0;                             // the Nth Read (1-based) reports an error
    bool failSync = false;                              // every Sync fails
    std::function<void(const std::string&)> afterRead;  // runs after each successful Read, with the path
    std::vector<std::string> appendOpens;               // every path given to OpenAppend
    int writes = 0;
    int reads = 0;

    FileStamp Stamp(const std::string& path) override { return real_.Stamp(path); }
    std::int64_t FileSize(const std::string& path) override { return real_.FileSize(path); }

    std::unique_ptr<ReadableFile> OpenRead(const std::string& path) override {
        if (unreadable.count(path)) return nullptr;
        auto file = real_.OpenRead(path);
        if (!file) return nullptr;
        return std::make_unique<Reader>(*this, std::move(file), path);
    }
    std::unique_ptr<AppendableFile> OpenAppend(const std::string& path) override {
        Step();
        appendOpens.push_back(path);
        auto file = real_.OpenAppend(path);
        if (!file) return nullptr;
        return std::make_unique<Appender>(*this, std::move(file));
    }
    bool UndoAppend(const std::string& path, std::int64_t length, std::int64_t appended) override {
        Step();
        return real_.UndoAppend(path, length, appended);
    }
    void Step() {
        if (++steps == killAtStep) throw SimulatedKill{};
    }

private:
    class Reader final : public ReadableFile {
    public:
        Reader(FaultyFileSystem& fs, std::unique_ptr<ReadableFile> inner, std::string path)
            : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}
        std::int64_t Read(char* buffer, std::size_t n) override {
            if (++fs_.reads == fs_.failReadNumber) return -1;
            std::int64_t got = inner_->Read(buffer, n);
            if (got > 0 && fs_.afterRead) fs_.afterRead(path_);
            return got;
        }
        FileIdentity Identity() const override { return inner_->Identity(); }

    private:
        FaultyFileSystem& fs_;
        std::unique_ptr<ReadableFile> inner_;
        std::string path_;
    };

    class Appender final : public AppendableFile {
    public:
        Appender(FaultyFileSystem& fs, std::unique_ptr<AppendableFile> inner) : fs_(fs), inner_(std::move(inner)) {}
        bool Write(const char* data, std::size_t n) override {
            if (fs_.steps + 1 == fs_.killAtStep) inner_->Write(data, n / 2);
            fs_.Step();
            if (++fs_.writes == fs_.failWriteNumber) {
                inner_->Write(data, n / 2);  // part of the bytes land, then the error
                return false;
            }
            return inner_->Write(data, n);
        }
        bool Sync() override {
            fs_.Step();
            return fs_.failSync ? false : inner_->Sync();
        }
        std::int64_t Length() const override { return inner_->Length(); }
        bool TruncateTo(std::int64_t length) override {
            fs_.Step();
            return inner_->TruncateTo(length);
        }
        FileIdentity Identity() const override { return inner_->Identity(); }

    private:
        FaultyFileSystem& fs_;
        std::unique_ptr<AppendableFile> inner_;
    };

    PosixFileSystem real_;
};

// Files as names, kinds and lengths only, for the recovery of an interrupted
// capture: undoing follows the contract of FileSystem::UndoAppend; nothing
// can be opened (OpenRead and OpenAppend are counted and fail).
class MemoryFileSystem final : public FileSystem {
public:
    enum class Kind { Regular, Folder, Link, Fifo };
    struct Entry {
        Kind kind = Kind::Regular;
        std::int64_t length = 0;
        FileStamp stamp = FileStamp::Of(0, 0, 0);  // the size is `length`
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    std::map<std::string, Entry> entries;
    int opens = 0;

    FileStamp Stamp(const std::string& path) override {
        const auto it = entries.find(path);
        if (it == entries.end() || it->second.kind == Kind::Folder || it->second.kind == Kind::Link)
            return FileStamp::Missing();  // links lead nowhere here
        return FileStamp::Of(it->second.stamp.mtimeSeconds, it->second.stamp.mtimeNanoseconds, it->second.length);
    }
    std::int64_t FileSize(const std::string& path) override {
        const auto it = entries.find(path);
        return it != entries.end() && it->second.kind == Kind::Regular ? it->second.length : -1;
    }
    std::unique_ptr<ReadableFile> OpenRead(const std::string&) override { return ++opens, nullptr; }
    std::unique_ptr<AppendableFile> OpenAppend(const std::string&) override { return ++opens, nullptr; }
    bool UndoAppend(const std::string& path, std::int64_t length, std::int64_t appended) override {
        if (path.empty() || length < -1 || appended < 0) return false;
        const auto it = entries.find(path);
        if (it == entries.end()) return true;
        const std::int64_t base = length < 0 ? 0 : length;
        if (it->second.kind != Kind::Regular || it->second.length < base || it->second.length - base > appended)
            return false;
        if (length < 0)
            entries.erase(it);
        else
            it->second.length = base;
        return true;
    }
};

}  // namespace chatkeeper::test
