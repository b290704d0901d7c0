#include "chatkeeper/file_name_template.h"

#include <array>
#include <cstdio>

namespace chatkeeper {
namespace {

struct Token {
    std::string_view text;
    int width;  // zero-filled digits
};

// Tried in this order: "#YYYY" before "#YY".
constexpr std::array<Token, 8> kTokens{{
    {"#YYYY", 4},
    {"#YY", 2},
    {"#MM", 2},
    {"#DD", 2},
    {"#HH", 2},
    {"#MN", 2},
    {"#SS", 2},
    {"#MS", 3},
}};

int TokenValue(std::size_t token, const DateTimeFields& f) {
    switch (token) {
    case 0: return f.year % 10000;
    case 1: return f.year % 100;
    case 2: return f.month;
    case 3: return f.day;
    case 4: return f.hour;
    case 5: return f.minute;
    case 6: return f.second;
    default: return f.millisecond;
    }
}

void AppendZeroFilled(std::string& out, int value, int width) {
    char buffer[16];
    int n = std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    if (n > 0) out.append(buffer, static_cast<std::size_t>(n));
}

}  // namespace

std::string ExpandFileNameTemplate(std::string_view tmpl, const DateTimeFields& fields) {
    std::string result;
    result.reserve(tmpl.size());
    std::size_t pos = 0;
    while (pos < tmpl.size()) {
        if (tmpl[pos] != '#') {
            result.push_back(tmpl[pos]);
            ++pos;
            continue;
        }
        std::string_view rest = tmpl.substr(pos);
        bool matched = false;
        for (std::size_t t = 0; t < kTokens.size(); ++t) {
            if (rest.starts_with(kTokens[t].text)) {
                AppendZeroFilled(result, TokenValue(t, fields), kTokens[t].width);
                pos += kTokens[t].text.size();
                matched = true;
                break;
            }
        }
        if (!matched) ++pos;  // a '#' that begins no token is dropped
    }
    return result;
}

std::string ArchiveFileNameForCaption(std::string_view archivePath) {
    std::size_t slash = archivePath.rfind('/');
    if (slash == std::string_view::npos) return std::string(archivePath);
    return std::string(archivePath.substr(slash + 1));
}

std::string CatcherCaption(std::string_view archivePath) {
    std::string caption(kCatcherCaption);
    if (archivePath.empty()) return caption;
    caption += " [";
    caption += ArchiveFileNameForCaption(archivePath);
    caption += "]";
    return caption;
}

}  // namespace chatkeeper
