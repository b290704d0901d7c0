#include "find/fold_table.h"

#include <QChar>
#include <QString>

namespace chatscope {

FoldTable::FoldTable() : entries_(std::make_unique<std::uint32_t[]>(0x10000)) {
    std::u16string out;
    for (char32_t c = 0; c < 0x10000; ++c) {
        // Most characters neither decompose nor fold: they stay themselves, and so do surrogates.
        if (QChar::isSurrogate(c) ||
            (QChar::decompositionTag(c) == QChar::NoDecomposition && QChar::toCaseFolded(c) == c)) {
            entries_[c] = c;
            continue;
        }
        out.clear();
        Fold(c, out, 0);
        if (out.size() == 1) {
            entries_[c] = out[0];
        } else {
            entries_[c] = kRun | static_cast<std::uint32_t>(pool_.size()) << 8 | static_cast<std::uint32_t>(out.size());
            pool_ += out;
        }
    }
}

const FoldTable& FoldTable::Get() {
    static const FoldTable table;
    return table;
}

void FoldTable::Fold(char32_t c, std::u16string& out, int depth) {
    const QString decomposition = QChar::decomposition(c);
    if (!decomposition.isEmpty() && depth < 8) {
        const std::u32string parts = decomposition.toStdU32String();
        for (char32_t part : parts) Fold(part, out, depth + 1);
        return;
    }
    const char32_t folded = QChar::toCaseFolded(c);
    if (folded != c && depth < 8) return Fold(folded, out, depth + 1);
    if (QChar::requiresSurrogates(folded)) {
        out.push_back(QChar::highSurrogate(folded));
        out.push_back(QChar::lowSurrogate(folded));
    } else {
        out.push_back(static_cast<char16_t>(folded));
    }
}

}  // namespace chatscope
