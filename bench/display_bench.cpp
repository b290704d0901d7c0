// The display alone, offscreen: a million generated lines (about 100 bytes,
// mixed Japanese) through DisplaySink, one end of batch and one paint; then a
// few edits on the full display.
//
//   QT_QPA_PLATFORM=offscreen display_bench [lines] [--no-edit]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "display/display_sink.h"
#include "display/log_display.h"

namespace {

long PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

long CurrentRssMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * 4 / 1024;
}

// A pool of message texts, varied so no two neighbours look alike.
std::vector<std::string> MakePool() {
    const char* names[] = {"Aria", "Bolt", "\x83\x5e\x83\x8b\x83\x4e", "\x8d\xb2\x93\xa1"};  // タルク 佐藤
    const char* bodies[] = {
        "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x49\x8d\xa1\x93\xfa\x82\xe0\x8b\xad\x89\xbb\x82\xb5"
        "\x82\xdc\x82\xb5\x82\xe5\x82\xa4",  // こんにちは！今日も強化しましょう
        "Anyone up for the east gate run? Need 2 more, meeting at the fountain.",
        "\x83\x5c\x83\x8c\x82\xcd\x95\x5c\x8e\xa6\x82\xcc\x83\x65\x83\x58\x83\x67\x82\xc5\x82\xb7\x81\x42",  // ソレは表示のテストです。
        "\x8c\x6f\x8c\xb1\x92\x6c 1234 \x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42",  // 経験値 1234 を取得しました。
    };
    std::vector<std::string> pool;
    for (int i = 0; i < 4096; ++i) {
        std::string s = names[i % 4];
        s += " : ";
        while (s.size() < 90) {
            s += bodies[(i / 4 + s.size()) % 4];
            s += ' ';
        }
        s.resize(90 + i % 20);
        // Do not end on a lone lead byte.
        if (static_cast<unsigned char>(s.back()) >= 0x81) s.back() = '.';
        pool.push_back(std::move(s));
    }
    return pool;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    long lines = 1000000;
    bool edit = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-edit") == 0)
            edit = false;
        else
            lines = std::atol(argv[i]);
    }

    const std::vector<std::string> pool = MakePool();
    chatscope::LogDisplay display;
    display.resize(587, 400);
    display.show();
    app.processEvents();
    chatscope::DisplaySink sink(display);
    const long rssBefore = CurrentRssMb();

    QElapsedTimer timer;
    timer.start();
    std::size_t bytes = 0;
    for (long i = 0; i < lines; ++i) {
        const std::string& text = pool[static_cast<std::size_t>(i) & 4095];
        bytes += text.size();
        sink.Put(0, 0x00806040u + static_cast<std::uint32_t>(i % 7) * 0x101010u, text, i % 5 == 0);
    }
    display.EndOfBatch();
    const QImage shot = display.grab().toImage();
    const double loadMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("load: %ld lines, %.1f MB, %.0f ms, RSS %ld -> %ld MB, peak RSS %ld MB (image %dx%d)\n", lines,
                static_cast<double>(bytes) / 1e6, loadMs, rssBefore, CurrentRssMb(), PeakRssMb(), shot.width(),
                shot.height());

    timer.restart();
    display.Clear();
    for (long i = 0; i < lines; ++i) sink.Put(0, 0x00FFFFFF, pool[static_cast<std::size_t>(i) & 4095], false);
    display.EndOfBatch();
    display.grab();
    std::printf("reload after Clear: %.0f ms, peak RSS %ld MB\n", static_cast<double>(timer.nsecsElapsed()) / 1e6,
                PeakRssMb());

    if (edit) {
        // Edits on the full display: a character typed in the middle, a line
        // broken there, everything deleted, and that undone; each with a paint.
        auto step = [&](const char* what, auto&& action) {
            timer.restart();
            action();
            display.grab();
            std::printf("%s: %.1f ms\n", what, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        };
        step("character count for assistive technologies (first query)",
             [&] { std::printf("(%d characters) ", display.CharacterCount()); });
        step("select all and copy", [&] {
            display.SelectAll();
            display.Copy();
        });
        std::printf("  peak RSS so far %ld MB\n", PeakRssMb());
        const int middle = static_cast<int>(lines / 2);
        // Keys typed as a screen reader listens: every key reports the edit, the
        // caret and the selection as flat offsets.
        chatscope::LogDisplay::ForceReportsToAssistiveTechnologies(true);
        auto perKey = [&](int line, int key, const QString& text) {
            display.SetSelection(line, 5, line, 5);
            const int keys = 50;
            timer.restart();
            for (int i = 0; i < keys; ++i) {
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
                QApplication::sendEvent(&display, &press);
            }
            return static_cast<double>(timer.nsecsElapsed()) / 1e6 / keys;
        };
        const int lastLine = static_cast<int>(lines) - 60;
        for (const auto& [what, key, text] : {std::tuple{"typing", int{Qt::Key_X}, QStringLiteral("x")},
                                              std::tuple{"Enter", int{Qt::Key_Return}, QStringLiteral("\r")}}) {
            const double atStart = perKey(10, key, text);
            const double atMiddle = perKey(middle, key, text);
            const double atEnd = perKey(lastLine, key, text);
            std::printf(
                "per key with accessibility active (%s): %.3f ms at line 10 / %.3f ms middle / %.3f ms end of "
                "%ld lines\n",
                what, atStart, atMiddle, atEnd, lines);
        }
        chatscope::LogDisplay::ForceReportsToAssistiveTechnologies(false);
        std::printf("per key without accessibility (Enter): %.3f ms at line 10\n", perKey(10, Qt::Key_Return, QStringLiteral("\r")));
        step("type one character in the middle", [&] {
            display.SetSelection(middle, 5, middle, 5);
            display.InsertText(QStringLiteral("x"));
        });
        step("break the line there", [&] { display.InsertText(QStringLiteral("\n")); });
        step("select all and delete", [&] {
            display.SelectAll();
            display.InsertText(QString());
        });
        step("undo that", [&] {
            QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
            QApplication::sendEvent(&display, &undo);
        });
        std::printf("after edits: %d lines, RSS %ld MB, peak RSS %ld MB\n", display.LineCount(), CurrentRssMb(),
                    PeakRssMb());
    }
    return 0;
}
