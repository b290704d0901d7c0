// The texts the statistics window shows, and its sort rules.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "chatscope/statistics.h"

namespace chatscope {

// The 31 rows of the counters list: first and second column, Shift-JIS bytes.
std::vector<std::pair<std::string, std::string>> CounterRows(const LogStatistics& stats);

// "パーティ", "リンクシェル", "TELL", "その他" as Shift-JIS bytes; empty for another value.
std::string PartnerKindText(std::uint8_t kind);

// Byte-wise comparison with ASCII a-z taken as A-Z; a prefix sorts first.
int CompareText(std::string_view a, std::string_view b);
int CompareByName(std::string_view firstA, std::string_view firstB, int direction);
// Counts as decimal texts; a text that is not a valid integer reads as 0. +1: largest first.
int CompareByCount(std::string_view secondA, std::string_view secondB, int direction);
int CompareByThirdColumn(std::string_view thirdA, std::string_view thirdB, int direction);

// Sort state of one sortable list: last clicked column identifier (0 none) and direction.
struct SortState {
    int lastColumn = 0;
    int direction = 1;
};
// Same column as last time flips the direction, another column starts at +1.
int NextSortDirection(SortState& state, int columnId);

}  // namespace chatscope
