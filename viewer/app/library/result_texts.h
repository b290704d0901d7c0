// ResultTexts: the lines of a search's matches, read from their files when a
// view asks for them. Matches are kept as references (file, line number); the
// lines of a page of rows are read together on a thread of their own, each
// file once and only up to the last line wanted, so a view never waits for a
// file: a line not read yet is given as not found, and Ready follows once it
// is. A few pages are kept, the least recently used dropped first, so the
// memory held is that of a few screens of lines.
#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace chatscope {

class LibrarySearch;
struct SearchFilters;
struct SearchHit;

// A match's line as the display shows it.
struct ResultLine {
    QString text;                     // decoded, behind the indent prefix when indented
    std::uint32_t displayColour = 0;  // 0x00BBGGRR
    bool found = false;               // false: not read yet, or the file no longer holds that line
};

class ResultTexts : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kPageRows = 32;
    static constexpr std::size_t kPagesKept = 64;

    explicit ResultTexts(const LibrarySearch& search, QObject* parent = nullptr);
    ~ResultTexts() override;  // waits for the page being read

    // The line of match `row` (a row of search.Hits()); not found while it is read.
    const ResultLine& Line(std::size_t row);
    // Forgets every line (a new search); pages still being read are dropped.
    void Clear();

signals:
    // The lines of rows [first, first + count) were read.
    void Ready(std::size_t first, std::size_t count);

private:
    struct Page {
        std::size_t index = 0;
        std::vector<ResultLine> lines;  // of the page's first rows
    };
    struct Request;
    void Ask(std::size_t index, std::size_t have);
    void Arrived(std::uint64_t generation, std::size_t index, std::size_t from, std::vector<ResultLine> lines);
    void ReadPages();

    const LibrarySearch& search_;
    std::list<Page> pages_;                         // the most recently used first
    std::set<std::size_t> asked_;                   // pages being read
    std::uint64_t generation_ = 0;                  // of the search the pages are of
    std::shared_ptr<const SearchFilters> filters_;  // of that search, for the reading thread
    std::mutex m_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Request>> requests_;
    bool ending_ = false;
    std::thread reader_;
};

}  // namespace chatscope
