// What the display holds, as the ".doc" and ".txt" saves read it: lines made of
// coloured runs, each run either Windows-31J bytes as loaded or edited text.
#pragma once

#include <QStringView>

#include <cstdint>
#include <string_view>
#include <vector>

namespace chatscope {

struct TextRun {
    std::uint32_t colour = 0xFFFFFF;  // display colour 0x00BBGGRR
    bool isText = false;              // true: `text` holds the run, else `bytes`
    std::string_view bytes;           // Windows-31J bytes
    QStringView text;                 // decoded (edited) text
};

class DisplayContent {
public:
    virtual ~DisplayContent() = default;
    virtual int LineCount() const = 0;
    // Fills `runs` with the runs of `line` in order; the views stay valid until
    // the next call. A line may have no runs (empty) or one run per colour.
    virtual void LineRuns(int line, std::vector<TextRun>& runs) const = 0;
    // Colour of an empty line (no runs).
    virtual std::uint32_t EmptyLineColour(int line) const = 0;
};

}  // namespace chatscope
