// ResultTexts: the lines of a search's matches, read from their files when a
// view asks for them. Matches are kept as references (file, line number); the
// texts of a page of rows are read together, each file once and only up to
// the last line wanted, and a few pages are kept, the least recently used
// dropped first, so the memory held is that of a few screens of lines.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <list>
#include <vector>

namespace chatscope {

class LibrarySearch;

// A match's line as the display shows it.
struct ResultLine {
    QString text;                     // decoded, behind the indent prefix when indented
    std::uint32_t displayColour = 0;  // 0x00BBGGRR
    bool found = false;               // false: the file no longer holds that line
};

class ResultTexts {
public:
    static constexpr std::size_t kPageRows = 32;
    static constexpr std::size_t kPagesKept = 64;

    explicit ResultTexts(const LibrarySearch& search) : search_(search) {}

    // The line of match `row` (a row of search.Hits()).
    const ResultLine& Line(std::size_t row);
    // Forgets every text (a new search).
    void Clear() { pages_.clear(); }
    // Files read so far (for tests and benchmarks).
    std::size_t FilesRead() const { return filesRead_; }

private:
    struct Page {
        std::size_t index = 0;
        std::vector<ResultLine> lines;
    };
    Page Read(std::size_t index);

    const LibrarySearch& search_;
    std::list<Page> pages_;  // the most recently used first
    std::size_t filesRead_ = 0;
};

}  // namespace chatscope
