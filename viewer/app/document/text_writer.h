// The display's content as Windows-31J text, CR LF between lines.
#pragma once

#include "document/display_content.h"

class QIODevice;

namespace chatscope {

// Writes the text; a character Windows-31J cannot hold is written as "?".
// False when a write fails.
bool WritePlainText(const DisplayContent& content, QIODevice& out);

}  // namespace chatscope
