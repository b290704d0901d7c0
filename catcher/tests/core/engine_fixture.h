// Fixture for driving the capture engine tick by tick in a temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "chatkeeper/capture_engine.h"
#include "chatkeeper/file_name_template.h"
#include "test_support.h"

namespace chatkeeper::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        logs = root / "logs";
        archives = root / "archives";
        ::mkdir(logs.c_str(), 0777);
        ::mkdir(archives.c_str(), 0777);
        settings.gameLogFolder = logs;
        settings.archiveFolder = archives;
    }

    void Start(RotationInterval interval = {}) {
        engine = std::make_unique<CaptureEngine>(settings, clock, fs);
        engine->SetRotationInterval(interval);
        engine->SetJournal(journal);
        engine->onArchiveNamed = [this](const std::string& path) { captions.push_back(CatcherCaption(path)); };
        engine->TakeBaseline();
    }

    std::string Game(int i) const { return GameLogFilePath(logs, i); }

    // Distinct content per file and version.
    static std::string Content(int i, std::size_t size = 300, char version = 'a') {
        std::string s(size, version);
        s[0] = static_cast<char>('0' + i % 10);
        return s;
    }

    void WriteGame(int i, const std::string& content) { WriteGameIn(logs, i, content); }
    void WriteGameIn(const std::string& folder, int i, const std::string& content) {
        const std::string path = GameLogFilePath(folder, i);
        WriteFileBytes(path, content);
        SetMtime(path, ++mtimeCounter);
    }

    // One timer tick, ten seconds after the previous one.
    TickResult Tick() {
        clock.AdvanceSeconds(10);
        return engine->Tick();
    }

    std::string Archive() const { return ReadAll(engine->ArchivePath()); }
    std::vector<std::string> ArchiveNames() const { return ListNames(archives); }

    TempDir root;
    std::string logs;
    std::string archives;
    CatcherSettings settings;
    FakeClock clock;
    FaultyFileSystem fs;
    CaptureJournal* journal = nullptr;
    std::unique_ptr<CaptureEngine> engine;
    std::vector<std::string> captions;
    std::int64_t mtimeCounter = 1'500'000'000;
};

}  // namespace chatkeeper::test
