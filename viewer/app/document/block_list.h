// BlockList: a long sequence kept in blocks of a few thousand items with an
// index of where each block starts. Reaching an item by its index is a look in
// the index (the block reached last is tried first, so walks in order are a
// comparison per item); inserting or removing items anywhere rewrites one block
// and shifts the index, not every item after them. Blocks are shared copy on
// write: Share() hands the present items to another thread for the price of
// the index, and a block still shared is copied before it is changed.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "document/large_pages.h"

namespace chatscope {

template <typename T, int kBlock> class BlockList {
    static_assert(kBlock >= 4);

public:
    using Block = std::vector<T, LargePageAllocator<T>>;  // blocks fill fresh memory: see large_pages.h
    using SharedBlocks = std::vector<std::shared_ptr<const Block>>;

    // Blocks [first, first + removed) of the list before a change were replaced
    // by blocks [first, first + added); the others hold what they held.
    struct Change {
        int first = 0;
        int removed = 0;
        int added = 0;
    };

    int Size() const { return starts_.back(); }
    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    const Block& BlockAt(int b) const { return *blocks_[static_cast<std::size_t>(b)]; }
    // Index of the first item of block `b`; BlockStart(BlockCount()) == Size().
    int BlockStart(int b) const { return starts_[static_cast<std::size_t>(b)]; }
    // The block holding item `index` (0 <= index < Size()).
    int BlockOf(int index) const {
        if (hint_ + 1 < static_cast<int>(starts_.size()) && BlockStart(hint_) <= index && index < BlockStart(hint_ + 1))
            return hint_;
        hint_ = static_cast<int>(std::upper_bound(starts_.begin() + 1, starts_.end() - 1, index) - starts_.begin()) - 1;
        return hint_;
    }
    const T& operator[](int index) const {
        const int b = BlockOf(index);
        return BlockAt(b)[static_cast<std::size_t>(index - BlockStart(b))];
    }

    // Empties the list. Its blocks are kept for the items that come next (a list
    // emptied to be filled again then reuses memory it has already touched).
    void Clear() {
        for (auto& block : blocks_) {
            if (block.use_count() > 1) continue;
            block->clear();
            spare_.push_back(std::move(block));
        }
        std::atomic_thread_fence(std::memory_order_acquire);  // as in Writable
        blocks_.clear();
        starts_.assign(1, 0);
        hint_ = 0;
    }

    void PushBack(const T& item) {
        if (blocks_.empty() || blocks_.back()->size() >= static_cast<std::size_t>(kBlock)) {
            blocks_.push_back(NewBlock());
            starts_.push_back(starts_.back());
        }
        Writable(BlockCount() - 1).push_back(item);
        ++starts_.back();
    }

    // Calls f(index, item) for items [first, first + count) in order while it returns true.
    template <typename F> void ForEach(int first, int count, F&& f) const {
        if (count <= 0 || first >= Size()) return;
        const int end = first + count;
        for (int b = BlockOf(first); b < BlockCount() && BlockStart(b) < end; ++b) {
            const Block& block = BlockAt(b);
            const int start = BlockStart(b);
            for (int i = std::max(first, start), stop = std::min(end, BlockStart(b + 1)); i < stop; ++i)
                if (!f(i, block[static_cast<std::size_t>(i - start)])) return;
        }
    }

    // Puts `items` in place of items [first, first + count) (both clamped to the list).
    Change Splice(int first, int count, std::span<const T> items) {
        first = std::clamp(first, 0, Size());
        count = std::clamp(count, 0, Size() - first);
        if (count == 0 && items.empty()) return {};
        if (blocks_.empty()) return Replace(0, 0, 0, 0, items);
        const int b0 = first < Size() ? BlockOf(first) : BlockCount() - 1;
        const int b1 = count > 0 ? BlockOf(first + count - 1) : b0;
        const std::size_t from = static_cast<std::size_t>(first - BlockStart(b0));
        const std::size_t to = static_cast<std::size_t>(first + count - BlockStart(b1));
        const std::size_t size = BlockAt(b0).size() - static_cast<std::size_t>(count) + items.size();
        if (b0 == b1 && size <= 2 * static_cast<std::size_t>(kBlock) &&
            (size >= static_cast<std::size_t>(kBlock / 4) || (BlockCount() == 1 && size > 0))) {
            // The change stays within one block of a fair size: done in place.
            Block& block = Writable(b0);
            const std::size_t common = std::min(to - from, items.size());
            std::copy(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(common),
                      block.begin() + static_cast<std::ptrdiff_t>(from));
            if (items.size() > common)
                block.insert(block.begin() + static_cast<std::ptrdiff_t>(from + common),
                             items.begin() + static_cast<std::ptrdiff_t>(common), items.end());
            else
                block.erase(block.begin() + static_cast<std::ptrdiff_t>(from + common),
                            block.begin() + static_cast<std::ptrdiff_t>(to));
            Shift(b0 + 1, static_cast<int>(items.size()) - count);
            return {b0, 1, 1};
        }
        return Replace(b0, b1, static_cast<int>(from), static_cast<int>(to), items);
    }

    // The blocks as they are now, for reading elsewhere while this list goes on.
    SharedBlocks Share() const { return {blocks_.begin(), blocks_.end()}; }
    const std::vector<int>& Starts() const { return starts_; }

private:
    Block& Writable(int b) {
        std::shared_ptr<Block>& block = blocks_[static_cast<std::size_t>(b)];
        if (block.use_count() > 1) block = std::make_shared<Block>(*block);
        // Pairs with the release of the last other owner, whose reads come first.
        std::atomic_thread_fence(std::memory_order_acquire);
        return *block;
    }

    void Shift(int fromBlock, int delta) {
        if (delta == 0) return;
        for (auto it = starts_.begin() + fromBlock; it != starts_.end(); ++it) *it += delta;
    }

    // Replaces blocks [b0, b1] by the items of b0 before `from`, `items`, and
    // the items of b1 from `to`, cut into even blocks of at most kBlock items.
    // A result too small for a block of its own takes in a neighbour.
    Change Replace(int b0, int b1, int from, int to, std::span<const T> items) {
        std::vector<std::span<const T>> parts;  // the new items, in order
        int first = b0, last = b1;              // the blocks replaced; none while the list is empty
        if (blocks_.empty()) {
            last = -1;
            parts.push_back(items);
        } else {
            const std::span<const T> head(BlockAt(b0).data(), static_cast<std::size_t>(from));
            const std::span<const T> tail(BlockAt(b1).data() + to, BlockAt(b1).size() - static_cast<std::size_t>(to));
            if (head.size() + items.size() + tail.size() < static_cast<std::size_t>(kBlock / 2)) {
                if (b0 > 0)
                    --first;
                else if (b1 + 1 < BlockCount())
                    ++last;
            }
            if (first < b0) parts.emplace_back(BlockAt(first));
            parts.insert(parts.end(), {head, items, tail});
            if (last > b1) parts.emplace_back(BlockAt(last));
        }
        const int replaced = last - first + 1;
        const int start = BlockStart(first);
        const int replacedItems = BlockStart(last + 1) - start;
        std::size_t total = 0;
        for (const auto& part : parts) total += part.size();

        const std::size_t pieces = (total + kBlock - 1) / kBlock;
        std::vector<std::shared_ptr<Block>> made;
        std::vector<int> ends;
        made.reserve(pieces);
        auto part = parts.begin();
        std::size_t used = 0;  // of *part
        for (std::size_t k = 0, at = 0; k < pieces; ++k) {
            const std::size_t next = total * (k + 1) / pieces;
            std::shared_ptr<Block> block = NewBlock();
            for (std::size_t want = next - at; want > 0;) {
                if (used == part->size()) {
                    ++part;
                    used = 0;
                    continue;
                }
                const std::size_t take = std::min(want, part->size() - used);
                block->insert(block->end(), part->begin() + static_cast<std::ptrdiff_t>(used),
                              part->begin() + static_cast<std::ptrdiff_t>(used + take));
                used += take;
                want -= take;
            }
            made.push_back(std::move(block));
            ends.push_back(start + static_cast<int>(next));
            at = next;
        }
        blocks_.erase(blocks_.begin() + first, blocks_.begin() + first + replaced);
        blocks_.insert(blocks_.begin() + first, made.begin(), made.end());
        starts_.erase(starts_.begin() + first + 1, starts_.begin() + first + 1 + replaced);
        starts_.insert(starts_.begin() + first + 1, ends.begin(), ends.end());
        Shift(first + 1 + static_cast<int>(made.size()), static_cast<int>(total) - replacedItems);
        return {first, replaced, static_cast<int>(made.size())};
    }

    // An empty block with room for kBlock items: one Clear() kept, or a new one.
    std::shared_ptr<Block> NewBlock() {
        if (spare_.empty()) {
            auto block = std::make_shared<Block>();
            block->reserve(kBlock);
            return block;
        }
        std::shared_ptr<Block> block = std::move(spare_.back());
        spare_.pop_back();
        return block;
    }

    std::vector<std::shared_ptr<Block>> blocks_;
    std::vector<int> starts_ = {0};
    std::vector<std::shared_ptr<Block>> spare_;  // emptied blocks no copy shares, for the next fill
    mutable int hint_ = 0;
};

}  // namespace chatscope
