#include "library/result_texts.h"

#include <algorithm>

#include "chatscope/colour.h"
#include "chatscope/log_reader.h"
#include "library/library_search.h"
#include "library/numbered_line_sink.h"
#include "sjis/shift_jis.h"

namespace chatscope {

namespace {

// Thrown out of a pass once the last line wanted was read.
struct AllRead {};

}  // namespace

const ResultLine& ResultTexts::Line(std::size_t row) {
    const std::size_t index = row / kPageRows;
    auto it = std::find_if(pages_.begin(), pages_.end(), [index](const Page& p) { return p.index == index; });
    if (it == pages_.end()) {
        pages_.push_front(Read(index));
        if (pages_.size() > kPagesKept) pages_.pop_back();
        it = pages_.begin();
    } else if (row - index * kPageRows >= it->lines.size()) {
        *it = Read(index);  // read while its rows were still arriving
        pages_.splice(pages_.begin(), pages_, it);
    } else if (it != pages_.begin()) {
        pages_.splice(pages_.begin(), pages_, it);
    }
    static const ResultLine kNone;
    const std::size_t k = row - index * kPageRows;
    return k < it->lines.size() ? it->lines[k] : kNone;
}

ResultTexts::Page ResultTexts::Read(std::size_t index) {
    const std::vector<SearchHit>& hits = search_.Hits();
    Page page;
    page.index = index;
    const std::size_t first = std::min(hits.size(), index * kPageRows);
    const std::size_t end = std::min(hits.size(), first + kPageRows);
    page.lines.resize(end - first);
    const SearchFilters& filters = search_.Filters();
    // The rows of one file follow each other, their lines ascending; the pass
    // numbers every shown line, so it meets each of them in turn.
    for (std::size_t run = first; run < end;) {
        const std::uint32_t file = hits[run].file;
        std::size_t next = run;
        auto visit = [&](std::int64_t number, std::string_view line, std::uint32_t colourWord) {
            if (next >= end || hits[next].file != file) throw AllRead{};
            if (hits[next].line != number) return;
            ResultLine& out = page.lines[next - first];
            out.text = sjis::Decode(line);
            out.displayColour = BrightenColour(colourWord);
            out.found = true;
            ++next;
        };
        NumberedLineSink sink(visit);
        ++filesRead_;
        try {
            if (file < search_.Files().size())
                ReadLogs({search_.Files()[file]}, &sink, PassFilter{filters.filterWord, filters.users, false});
        } catch (const AllRead&) {
        } catch (const std::exception&) {
            // Unreadable now: its rows stay not found.
        }
        while (run < end && hits[run].file == file) ++run;
    }
    return page;
}

}  // namespace chatscope
