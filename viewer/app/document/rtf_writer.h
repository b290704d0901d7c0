// The display's content as an RTF document: Japanese text as code page 932
// bytes, each run in its own text colour.
#pragma once

#include "document/display_content.h"

class QIODevice;

namespace chatscope {

// Writes the whole document; false when a write fails.
bool WriteRtf(const DisplayContent& content, QIODevice& out);

}  // namespace chatscope
