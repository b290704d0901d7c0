// The viewer's font: "ＭＳ Ｐゴシック" at 12 pixels, falling back to an
// installed Japanese gothic so Japanese text is never drawn in boxes or in a
// mismatched fallback face.
#pragma once

#include <QFont>

namespace chatscope {

QFont ViewerFont();

}  // namespace chatscope
