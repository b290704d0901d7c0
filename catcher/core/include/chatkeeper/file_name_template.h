// Archive file names: expansion of the #-token template and the window caption.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace chatkeeper {

// Local date and time of one clock reading.
struct DateTimeFields {
    int year = 0;         // four digits, e.g. 2003
    int month = 0;        // 1-12
    int day = 0;          // 1-31
    int hour = 0;         // 0-23
    int minute = 0;       // 0-59
    int second = 0;       // 0-59
    int millisecond = 0;  // 0-999

    friend bool operator==(const DateTimeFields&, const DateTimeFields&) = default;
};

// Longest template that is used; longer ones are cut to this many bytes.
inline constexpr std::size_t kMaxTemplateBytes = 1023;

// Default template, also restored by the "初期化" button.
inline constexpr std::string_view kDefaultFileNameTemplate = "TARQ#YY#MM#DD_#HH#MN_#SS.log";

// Plain window caption before any archive has been named.
inline constexpr std::string_view kCatcherCaption = "Tarq Log Catcher";

// Replaces the tokens #YYYY #YY #MM #DD #HH #MN #SS #MS (tried in this order,
// case-sensitive) by the fields; a '#' that begins no token is dropped.
// Every other byte is copied unchanged. The result is never longer than tmpl.
std::string ExpandFileNameTemplate(std::string_view tmpl, const DateTimeFields& fields);

// The text after the last '/' of archivePath (the whole text when it has none).
std::string ArchiveFileNameForCaption(std::string_view archivePath);

// "Tarq Log Catcher" for an empty archivePath, else "Tarq Log Catcher [name]"
// with the name given by ArchiveFileNameForCaption.
std::string CatcherCaption(std::string_view archivePath);

}  // namespace chatkeeper
