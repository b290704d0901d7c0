// Times the viewer's real windows under the offscreen platform:
//   1. the load (LogSession::Load) of a generated archive of 1,000,000 records (about 100 MB),
//      display painted;
//   2. one channel toggle ("Say"), which re-reads the whole archive;
//   3. finding in the display: from a change of the search text to the first
//      match selected and to the whole count, and the view of matching lines
//      only, also while following the archive as a block is appended;
//   4. the statistics window's refill from a file of 200,000 item records;
// and prints the peak resident memory of the process.
//
// Usage: window_bench [--records N] [--items N] [--dir FOLDER]
// The generated files go to FOLDER (default: a temporary folder, removed at the end).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QLineEdit>

#include "display/log_display.h"
#include "find/find_bar.h"
#include "find/find_session.h"
#include "log_session.h"
#include "main_window.h"
#include "statistics_window.h"
#include "viewer_main.h"

using namespace chatscope;

namespace {

// Shift-JIS phrases.
const std::string kGreeting =
    "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81\x41\x8D\xA1\x93\xFA"
    "\x82\xE0\x82\xE6\x82\xEB\x82\xB5\x82\xAD";                 // こんにちは、今日もよろしく
const std::string kRoger = "\x97\xB9\x89\xF0\x82\xC5\x82\xB7";  // 了解です
const std::string kComma = "\x81\x41";                          // 、
const std::string kObtained = "\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD";  // を手に入れた
const std::string kGoblin = "\x83\x53\x83\x75\x83\x8A\x83\x93";                    // ゴブリン
const std::string kFell = "\x82\xCD\x93\x7C\x82\xEA\x82\xBD";                      // は倒れた
const std::string kPotion = "\x83\x7C\x81\x5B\x83\x56\x83\x87\x83\x93";            // ポーション

const char* const kNames[] = {"Alice", "Bob",  "Carol",   "Dave", "Erin",   "Frank", "Grace",  "Heidi",
                              "Ivan",  "Judy", "Mallory", "Niaj", "Olivia", "Peggy", "Rupert", "Sybil"};

std::string Prefix(unsigned type, std::uint32_t colour, bool indent) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02x,00,00,%08x,00000000,00000000,0000,00,00,00,%02x,", type, unsigned(colour),
                  indent ? 1u : 0u);
    return buf;
}

// Record i of the chat archive: the channels, battle lines, drops and experience
// of an ordinary evening's play, about 100 bytes each.
std::string ChatText(std::uint64_t i) {
    const std::string name = kNames[i % 16];
    const std::string other = kNames[(i / 16) % 16];
    const std::string n = std::to_string(i % 1000);
    switch (i % 10) {
    case 0: return Prefix(1, 0xFFFFFF, false) + name + " : " + kGreeting + " " + n;
    case 1: return Prefix(5, 0x80C0FF, false) + "(" + name + ") " + kRoger + " #" + n + " pull";
    case 2: return Prefix(4, 0xFF80FF, false) + ">>" + other + " : " + kRoger + " " + n;
    case 3: return Prefix(6, 0x80FF80, false) + "<" + name + "> " + kGreeting;
    case 4: return Prefix(20, 0xFFC080, true) + name + " hits the " + kGoblin + " for " + n + " points";
    case 5: return Prefix(127, 0xFFFF00, false) + name + kComma + kPotion + kObtained;
    case 6: return Prefix(131, 0xFFFF80, false) + name + " gains " + n + " experience points.";
    case 7: return Prefix(36, 0xFF8080, false) + kGoblin + kFell;
    case 8: return Prefix(9, 0xFFFFFF, false) + other + " : " + kRoger + " " + kRoger + " " + n;
    default: return Prefix(200, 0xC0C0C0, false) + "Some other message number " + n + " of the game.";
    }
}

std::string ChatRecord(std::uint64_t i) { return ChatText(i) + "  -- " + kRoger + " " + std::to_string(i % 97); }

// Item record i: many different pairs of item and obtainer, every pair more than once.
std::string ItemRecord(std::uint64_t i, std::uint64_t distinctItems) {
    const std::string obtainer = kNames[i % 16];
    const std::string item = kPotion + std::to_string((i / 16) % distinctItems);
    return Prefix(127, 0xFFFF00, false) + obtainer + kComma + item + kObtained;
}

template <typename MakeRecord> bool WriteArchive(const std::string& path, std::uint64_t records, MakeRecord make) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::string block;
    const std::string header(100, '\0');
    for (std::uint64_t i = 0; i < records;) {
        block = header;
        for (int line = 0; line < 50; ++line, ++i) {
            if (i < records) block += make(i);
            block.push_back('\0');
        }
        out.write(block.data(), std::streamsize(block.size()));
    }
    return bool(out);
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double FileMb(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return double(in.tellg()) / (1024.0 * 1024.0);
}

// Runs events until `done` holds; the milliseconds since `timer` started.
template <typename Done> double WaitMs(const QElapsedTimer& timer, Done&& done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return double(timer.nsecsElapsed()) / 1e6;
}

// Types `text` into the find bar with the caret at the top: the time to the
// first match selected and to the whole count.
// The main window's parts the benchmark drives, found once by their object names.
struct Parts {
    explicit Parts(const MainWindow& w)
        : display(*w.findChild<LogDisplay*>(QStringLiteral("display"))),
          find(*w.findChild<FindSession*>(QStringLiteral("find"))),
          bar(*w.findChild<FindBar*>(QStringLiteral("findBar"))),
          say(*w.findChild<QAction*>(QStringLiteral("channelAction%1").arg(int(Channel::Say)))),
          findAction(*w.findChild<QAction*>(QStringLiteral("findAction"))),
          matchingLines(*w.findChild<QAction*>(QStringLiteral("matchingLinesAction"))),
          follow(*w.findChild<QAction*>(QStringLiteral("followAction"))),
          counts(*w.findChild<QLabel*>(QStringLiteral("channelCountPanel"))) {}
    LogDisplay& display;
    FindSession& find;
    FindBar& bar;
    QAction& say;
    QAction& findAction;
    QAction& matchingLines;
    QAction& follow;
    QLabel& counts;
};

void TimeFind(Parts& parts, const QString& text) {
    LogDisplay& display = parts.display;
    FindSession& find = parts.find;
    parts.bar.Field()->clear();
    display.SetSelection(0, 0, 0, 0);
    QElapsedTimer timer;
    timer.start();
    parts.bar.Field()->setText(text);
    const double firstMs = WaitMs(timer, [&] { return display.HasSelection() || !find.Busy(); });
    const double countMs = WaitMs(timer, [&] { return !find.Busy(); });
    const int line = display.CaretPosition().line;
    std::printf("find %-14s first match %7.1f ms (line %d), count %7.1f ms: %s\n",
                qPrintable(QLatin1Char('"') + text + QLatin1Char('"')), firstMs, line, countMs,
                qPrintable(parts.bar.CountText()));
}

template <typename F> double TimeMs(F&& f) {
    QElapsedTimer timer;
    timer.start();
    f();
    QCoreApplication::processEvents();  // the repaint that follows a pass
    return double(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::uint64_t records = 1000000;
    std::uint64_t items = 200000;
    QString folder;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--records") == 0)
            records = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--items") == 0)
            items = std::strtoull(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--dir") == 0)
            folder = QString::fromLocal8Bit(argv[i + 1]);
    }
    QTemporaryDir temp;
    if (folder.isEmpty()) folder = temp.path();
    QDir().mkpath(folder);
    const std::string chatLog = MainWindow::ToLocalPath(folder + QStringLiteral("/chat-archive.log"));
    const std::string itemLog = MainWindow::ToLocalPath(folder + QStringLiteral("/item-archive.log"));
    if (!WriteArchive(chatLog, records, ChatRecord) ||
        !WriteArchive(itemLog, items, [&](std::uint64_t i) { return ItemRecord(i, items / 4 / 16 + 1); })) {
        std::fprintf(stderr, "window_bench: cannot write the archives in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("archive: %llu records, %.1f MB; item file: %llu item records, %.1f MB\n",
                static_cast<unsigned long long>(records), FileMb(chatLog), static_cast<unsigned long long>(items),
                FileMb(itemLog));
    std::printf("peak RSS before the windows: %.1f MB\n", PeakRssMb());

    auto windows = CreateViewerWindows(MainWindow::ToLocalPath(folder + QStringLiteral("/bench.cnf")),
                                       MainWindow::ToLocalPath(folder + QStringLiteral("/bench.flt")));
    MainWindow& mainWindow = *windows->mainWindow;
    LogSession& session = *windows->session;
    Parts parts(mainWindow);
    mainWindow.show();
    windows->statisticsWindow->show();
    QCoreApplication::processEvents();

    const double loadMs = TimeMs([&] { session.Load(chatLog); });
    std::printf("LoadLogFile:          %8.1f ms  (%d lines shown)\n", loadMs, parts.display.LineCount());
    const double toggleMs = TimeMs([&] { parts.say.trigger(); });
    std::printf("Say toggle (re-read): %8.1f ms  (%d lines shown)\n", toggleMs, parts.display.LineCount());
    const double backMs = TimeMs([&] { parts.say.trigger(); });
    std::printf("Say toggle back:      %8.1f ms  (%d lines shown)\n", backMs, parts.display.LineCount());
    std::printf("status: %s\n", qPrintable(parts.counts.text()));

    parts.findAction.trigger();
    for (const char* text : {"Rupert", "ＲＵＰＥＲＴ", "#999 pull", "no such text"})
        TimeFind(parts, QString::fromUtf8(text));
    TimeFind(parts, QStringLiteral("Rupert"));
    QElapsedTimer timer;
    timer.start();
    parts.matchingLines.setChecked(true);
    const double filterMs = WaitMs(timer, [&] { return !parts.find.Busy(); });
    QCoreApplication::processEvents();
    std::printf("matching lines only:  %8.1f ms  (%d lines shown)\n", filterMs, parts.display.LineCount());
    const double allMs = TimeMs([&] { parts.matchingLines.setChecked(false); });
    std::printf("all lines again:      %8.1f ms  (%d lines shown)\n", allMs, parts.display.LineCount());
    timer.restart();
    parts.bar.Field()->setText(QStringLiteral("gains 999 exp"));
    parts.matchingLines.setChecked(true);
    const double typedFilterMs = WaitMs(timer, [&] { return !parts.find.Busy(); });
    std::printf("new text, matching lines only: %8.1f ms  (%d lines shown)\n", typedFilterMs,
                parts.display.LineCount());
    // Following the archive as it grows: one block appended, with all lines shown
    // and with only the lines matching "Rupert".
    parts.bar.Field()->setText(QStringLiteral("Rupert"));
    WaitMs(timer, [&] { return !parts.find.Busy(); });
    parts.follow.setChecked(true);
    std::uint64_t appended = records;
    for (const bool matchingOnly : {false, true}) {
        parts.matchingLines.setChecked(matchingOnly);
        WaitMs(timer, [&] { return !parts.find.Busy(); });
        const int linesBefore = parts.display.LineCount();
        std::ofstream out(chatLog, std::ios::binary | std::ios::app);
        std::string block(100, '\0');
        for (int line = 0; line < 50; ++line) block += ChatRecord(appended++) + '\0';
        out.write(block.data(), std::streamsize(block.size()));
        out.close();
        timer.restart();
        emit session.FileMayHaveChanged();  // what the file watch says
        const double shownMs = double(timer.nsecsElapsed()) / 1e6;
        const double countedMs = WaitMs(timer, [&] { return !parts.find.Busy(); });
        std::printf("follow, one block, %s: %6.1f ms shown, %6.1f ms counted (%d -> %d lines, %s)\n",
                    matchingOnly ? "matching lines only" : "all lines          ", shownMs, countedMs, linesBefore,
                    parts.display.LineCount(), qPrintable(parts.bar.CountText()));
    }
    parts.follow.setChecked(false);
    parts.matchingLines.setChecked(false);

    session.Load(itemLog);
    const double refreshMs = TimeMs([&] { windows->statisticsWindow->RefreshStatistics(); });
    const auto* itemsModel = windows->statisticsWindow->findChild<ReportModel*>(QStringLiteral("itemsModel"));
    std::printf("RefreshStatistics:    %8.1f ms  (%llu item records, %d item rows)\n", refreshMs,
                static_cast<unsigned long long>(items), itemsModel->rowCount());

    std::printf("peak RSS:             %8.1f MB\n", PeakRssMb());
    windows.reset();
    return 0;
}
