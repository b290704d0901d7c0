// A place in the display's text: a line and a column in QChar units of the
// decoded line. Ordered by line, then column.
#pragma once

#include <compare>

namespace chatscope {

struct Pos {
    int line = 0;
    int column = 0;
    friend bool operator==(const Pos&, const Pos&) = default;
    friend auto operator<=>(const Pos&, const Pos&) = default;
};

}  // namespace chatscope
