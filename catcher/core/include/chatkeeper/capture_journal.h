// Where the capture engine keeps the intent record of the capture under way.
#pragma once

#include <optional>
#include <string>

#include "chatkeeper/capture_intent.h"

namespace chatkeeper {

class CaptureJournal {
public:
    virtual ~CaptureJournal() = default;
    // Stores the record durably (on disk when this returns true), replacing
    // any earlier one.
    virtual bool Record(const CaptureIntent& intent) = 0;
    // Removes the record durably; called once the archive is flushed or has
    // been cut back.
    virtual void Clear() = 0;
    // The record an interrupted capture left behind, if a whole one is there.
    virtual std::optional<CaptureIntent> Pending() = 0;
};

// The record as one small file. It is written in place, created exclusively
// (O_CREAT|O_EXCL|O_NOFOLLOW) after whatever entry has its name is removed,
// and flushed together with its folder. A link or any other non-regular file
// at that name is never read or written through.
class FileCaptureJournal final : public CaptureJournal {
public:
    explicit FileCaptureJournal(std::string path) : path_(std::move(path)) {}

    bool Record(const CaptureIntent& intent) override;
    void Clear() override;
    std::optional<CaptureIntent> Pending() override;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace chatkeeper
