#include "display/display_sink.h"

#include "chatscope/colour.h"
#include "display/log_display.h"

namespace chatscope {

void DisplaySink::Put(std::uint8_t, std::uint32_t colourWord, std::string_view text, bool indent) {
    const std::uint32_t colour = BrightenColour(colourWord);
    if (!indent) {
        display_.AppendLine(text, colour);
        return;
    }
    line_.assign(kIndentPrefix, sizeof kIndentPrefix - 1);
    line_.append(text);
    display_.AppendLine(line_, colour);
}

void DisplaySink::RetractLast() { display_.RemoveLastLine(); }

}  // namespace chatscope
