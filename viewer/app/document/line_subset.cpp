#include "document/line_subset.h"

#include <algorithm>
#include <utility>

namespace chatscope {

void LineSubset::Reset() {
    active_ = false;
    whole_.clear();
    whole_.shrink_to_fit();
    shown_.clear();
    origin_.clear();
    origin_.shrink_to_fit();
    hidden_ = 0;
    appended_ = {};
}

void LineSubset::ShowOnly(LineStore& store, const std::vector<bool>& keep, LineFilter appended) {
    if (active_) ShowAll(store);
    active_ = true;
    appended_ = std::move(appended);
    if (store.Empty()) return;
    const int count = store.Count();
    // Room for lines appended later (a file followed), so that one of them
    // does not pay for moving the whole list.
    const std::size_t room = static_cast<std::size_t>(count) + static_cast<std::size_t>(count) / 4 + 1024;
    whole_.clear();
    whole_.reserve(room);
    for (int line = 0; line < count; ++line) whole_.push_back(*store.Rec(line));
    shown_.reserve(room);
    shown_.assign(static_cast<std::size_t>(count), false);
    origin_.clear();
    std::vector<LineRec> kept;
    for (int line = 0; line < count; ++line) {
        if (static_cast<std::size_t>(line) >= keep.size() || !keep[static_cast<std::size_t>(line)]) continue;
        shown_[static_cast<std::size_t>(line)] = true;
        origin_.push_back(line);
        kept.push_back(whole_[static_cast<std::size_t>(line)]);
    }
    hidden_ = count - static_cast<int>(kept.size());
    store.Splice(0, count, kept);
}

std::vector<LineRec> LineSubset::Whole(const LineStore& store) const {
    const int shownCount = store.Empty() ? 0 : store.Count();
    if (!active_) return store.Records(0, shownCount);
    const std::vector<LineRec> shown = store.Records(0, shownCount);
    std::vector<LineRec> out;
    out.reserve(whole_.size() + shown.size());
    std::size_t hidden = 0;  // next line of whole_ to consider for the hidden ones
    auto putHiddenBefore = [&](std::size_t limit) {
        for (; hidden < limit && hidden < whole_.size(); ++hidden)
            if (!shown_[hidden]) out.push_back(whole_[hidden]);
    };
    for (std::size_t v = 0; v < shown.size(); ++v) {
        if (origin_[v] >= 0) putHiddenBefore(static_cast<std::size_t>(origin_[v]) + 1);
        out.push_back(shown[v]);
    }
    putHiddenBefore(whole_.size());
    return out;
}

void LineSubset::ShowAll(LineStore& store) {
    if (!active_) return;
    const std::vector<LineRec> whole = Whole(store);
    store.Splice(0, store.Empty() ? 0 : store.Count(), whole);
    Reset();
}

void LineSubset::Appended(const LineRec& rec, bool shown) {
    if (!active_) return;
    if (shown) origin_.push_back(static_cast<int>(whole_.size()));
    whole_.push_back(rec);
    shown_.push_back(shown);
    if (!shown) ++hidden_;
}

bool LineSubset::RemoveLast() {
    if (!active_ || whole_.empty()) return true;
    const bool shown = shown_.back();
    whole_.pop_back();
    shown_.pop_back();
    if (shown)
        origin_.pop_back();
    else
        --hidden_;
    return shown;
}

int LineSubset::WholeCount(const LineStore& store) const {
    const int shownCount = store.Empty() ? 0 : store.Count();
    return active_ ? hidden_ + shownCount : shownCount;
}

std::vector<LineRec> LineSubset::WholeFrom(int first) const {
    first = std::clamp(first, 0, static_cast<int>(whole_.size()));
    return {whole_.begin() + first, whole_.end()};
}

void LineSubset::Spliced(int first, int count, int added) {
    if (!active_) return;
    first = std::clamp(first, 0, static_cast<int>(origin_.size()));
    count = std::clamp(count, 0, static_cast<int>(origin_.size()) - first);
    const auto at = origin_.begin() + first;
    const int kept = count > 0 ? *at : -1;
    origin_.erase(at, at + count);
    std::vector<int> inserted(static_cast<std::size_t>(added), -1);
    if (added > 0) inserted[0] = kept;
    origin_.insert(origin_.begin() + first, inserted.begin(), inserted.end());
}

int LineSubset::WholeLine(int shownLine) const {
    if (!active_) return shownLine;
    for (int v = std::min(shownLine, static_cast<int>(origin_.size()) - 1); v >= 0; --v)
        if (origin_[static_cast<std::size_t>(v)] >= 0)
            return std::min(origin_[static_cast<std::size_t>(v)], static_cast<int>(whole_.size()) - 1);
    return 0;
}

int LineSubset::ShownLine(int wholeLine) const {
    if (!active_) return wholeLine;
    const auto it = std::find(origin_.begin(), origin_.end(), wholeLine);
    return it == origin_.end() ? -1 : static_cast<int>(it - origin_.begin());
}

}  // namespace chatscope
