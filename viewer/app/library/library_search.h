// LibrarySearch: a search of the shown lines of many chat log files, off the
// user-interface thread. The files are searched on a few threads, each file on
// its own as "--search" does, and their matches arrive here in file order, then
// line order, in batches posted to the thread that owns the search. A match is
// kept as a reference (file index, line number), never as a copy of its line;
// only the first kShownLimit are kept, the rest only counted. A new Start or
// Stop drops the search running: none of its matches arrive after it.
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chatscope/user_list.h"

namespace chatscope {

// One matching line: the file's index in Files() and the 1-based number of the
// line among the lines shown for that file with the search's filters.
struct SearchHit {
    std::uint32_t file = 0;
    std::int64_t line = 0;
    friend bool operator==(const SearchHit&, const SearchHit&) = default;
};

// The filters a search applies: what the display would show.
struct SearchFilters {
    std::uint32_t filterWord = 0;
    UserList users;
};

class LibrarySearch : public QObject {
    Q_OBJECT
public:
    // Matches kept at most; those after them are only counted.
    static constexpr std::size_t kShownLimit = 100000;

    explicit LibrarySearch(QObject* parent = nullptr);
    ~LibrarySearch() override;  // stops the search and waits for its threads

    // Drops the search running and starts one of `text` (see TextMatcher; an
    // empty text finds nothing and ends at once) over `files` (local paths).
    // `threads` 0: one per core.
    void Start(std::vector<std::string> files, const QString& text, bool exact, SearchFilters filters,
               unsigned threads = 0);
    // Ends the search running; what it found stays.
    void Stop();

    bool Running() const { return running_; }
    // The present search: its files, text, filters and what has arrived of it.
    const std::vector<std::string>& Files() const { return files_; }
    const QString& Text() const { return text_; }
    bool Exact() const { return exact_; }
    const SearchFilters& Filters() const { return filters_; }
    const std::vector<SearchHit>& Hits() const { return hits_; }
    std::int64_t TotalMatches() const { return total_; }
    std::size_t FilesDone() const { return filesDone_; }
    std::size_t FilesWithMatches() const { return filesWithMatches_; }

signals:
    // A new search began: Hits() is empty.
    void Started();
    // Hits [first, first + count) arrived, or only counts and progress moved (count 0).
    void Progressed(std::size_t first, std::size_t count);
    // The search ended: all files were searched (`complete`), or it was stopped.
    void Finished(bool complete);

private:
    struct Job;
    void Drain();
    void Retire();
    void Reap();

    std::vector<std::string> files_;
    QString text_;
    bool exact_ = false;
    SearchFilters filters_;
    std::vector<SearchHit> hits_;
    std::int64_t total_ = 0;
    std::size_t filesDone_ = 0;
    std::size_t filesWithMatches_ = 0;
    bool running_ = false;
    std::shared_ptr<Job> job_;
    std::vector<std::shared_ptr<Job>> retired_;  // stopped, their threads ending
};

}  // namespace chatscope
