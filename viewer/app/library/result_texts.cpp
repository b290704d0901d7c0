#include "library/result_texts.h"

#include <QMetaObject>

#include <algorithm>
#include <string>

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

// Rows [from, from + hits.size()) of a page to read.
struct ResultTexts::Request {
    std::uint64_t generation = 0;
    std::size_t index = 0, from = 0;
    std::vector<SearchHit> hits;
    std::vector<std::string> paths;  // of each hit
    std::shared_ptr<const SearchFilters> filters;

    std::vector<ResultLine> Read() const {
        std::vector<ResultLine> lines(hits.size());
        // The rows of one file follow each other, their lines ascending; the pass
        // numbers every shown line, so it meets each of them in turn.
        for (std::size_t run = 0; run < hits.size();) {
            const std::uint32_t file = hits[run].file;
            std::size_t next = run;
            auto visit = [&](std::int64_t number, std::string_view line, std::uint32_t colourWord) {
                if (next >= hits.size() || hits[next].file != file) throw AllRead{};
                if (hits[next].line != number) return;
                lines[next].text = sjis::Decode(line);
                lines[next].displayColour = BrightenColour(colourWord);
                lines[next].found = true;
                ++next;
            };
            NumberedLineSink sink(visit);
            try {
                ReadLogs({paths[run]}, &sink, PassFilter{filters->filterWord, filters->users, false});
            } catch (const AllRead&) {
            } catch (const std::exception&) {
                // Unreadable now: its rows stay not found.
            }
            while (run < hits.size() && hits[run].file == file) ++run;
        }
        return lines;
    }
};

ResultTexts::ResultTexts(const LibrarySearch& search, QObject* parent)
    : QObject(parent), search_(search), reader_([this] { ReadPages(); }) {}

ResultTexts::~ResultTexts() {
    {
        std::lock_guard lock(m_);
        ending_ = true;
    }
    changed_.notify_all();
    reader_.join();
}

void ResultTexts::Clear() {
    pages_.clear();
    asked_.clear();
    ++generation_;
    filters_ = std::make_shared<const SearchFilters>(search_.Filters());
    std::lock_guard lock(m_);
    requests_.clear();
}

const ResultLine& ResultTexts::Line(std::size_t row) {
    static const ResultLine kNotRead;
    const std::size_t index = row / kPageRows, k = row - index * kPageRows;
    auto it = std::find_if(pages_.begin(), pages_.end(), [index](const Page& p) { return p.index == index; });
    if (it != pages_.end()) pages_.splice(pages_.begin(), pages_, it);
    if (it != pages_.end() && k < it->lines.size()) return it->lines[k];
    // Not read, or read while its rows were still arriving: the rest is read.
    if (row < search_.Hits().size()) Ask(index, it != pages_.end() ? it->lines.size() : 0);
    return kNotRead;
}

void ResultTexts::Ask(std::size_t index, std::size_t have) {
    if (!asked_.insert(index).second) return;
    if (!filters_) filters_ = std::make_shared<const SearchFilters>(search_.Filters());
    auto request = std::make_unique<Request>();
    request->generation = generation_;
    request->index = index;
    request->from = have;
    request->filters = filters_;
    const std::vector<SearchHit>& hits = search_.Hits();
    const std::size_t end = std::min(hits.size(), (index + 1) * kPageRows);
    for (std::size_t row = index * kPageRows + have; row < end; ++row) {
        request->hits.push_back(hits[row]);
        request->paths.push_back(search_.Files()[hits[row].file]);
    }
    {
        std::lock_guard lock(m_);
        // The newest wish first: the rows in sight now.
        requests_.push_front(std::move(request));
    }
    changed_.notify_all();
}

void ResultTexts::ReadPages() {
    std::unique_lock lock(m_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !requests_.empty(); });
        if (ending_) return;
        std::unique_ptr<Request> request = std::move(requests_.front());
        requests_.pop_front();
        lock.unlock();
        std::vector<ResultLine> lines = request->Read();
        QMetaObject::invokeMethod(
            this,
            [this, generation = request->generation, index = request->index, from = request->from,
             lines = std::move(lines)]() mutable { Arrived(generation, index, from, std::move(lines)); },
            Qt::QueuedConnection);
        lock.lock();
    }
}

void ResultTexts::Arrived(std::uint64_t generation, std::size_t index, std::size_t from,
                          std::vector<ResultLine> lines) {
    if (generation != generation_) return;  // of a search before
    asked_.erase(index);
    auto it = std::find_if(pages_.begin(), pages_.end(), [index](const Page& p) { return p.index == index; });
    if (it == pages_.end()) {
        if (from != 0) return;  // its first rows were dropped meanwhile: asked again when wanted
        pages_.push_front(Page{index, {}});
        if (pages_.size() > kPagesKept) pages_.pop_back();
        it = pages_.begin();
    }
    if (it->lines.size() != from) return;
    std::move(lines.begin(), lines.end(), std::back_inserter(it->lines));
    emit Ready(index * kPageRows + from, it->lines.size() - from);
}

}  // namespace chatscope
