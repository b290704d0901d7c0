// Times the archive library window under the offscreen platform, on a folder
// of archives (bench/library_folder.sh makes one of 365 days):
//   1. from OpenFolder to the table showing every name, date and size;
//   2. counting every file in the background, and the longest wait of the
//      event loop meanwhile (the gap between two ticks of a 10 ms timer);
//   3. a second opening with the cache: until every count is shown;
//   4. a folder of 10,000 small files: listing it;
// and the peak resident memory the window added.
//
// Usage: library_bench --dir FOLDER [--small N]
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "library/library_window.h"
#include "log_session.h"
#include "main_window.h"
#include "viewer_main.h"

using namespace chatscope;

namespace {

long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// CPU time of the process (all threads) so far.
double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double Ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// Runs the event loop until the window has counted everything; the longest gap
// between two ticks of a 10 ms timer meanwhile.
double CountAndMeasureStall(LibraryWindow& window) {
    QElapsedTimer gap;
    gap.start();
    double longest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, Ms(gap));
        gap.restart();
    });
    tick.start();
    while (window.Counting()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return longest;
}

// One block of 50 records: a small archive.
std::string SmallArchive(int i) {
    std::string b(100, '\0');
    for (int l = 0; l < 50; ++l) {
        char line[96];
        std::snprintf(line, sizeof line, "01,00,00,00ffffff,00000000,00000000,0000,00,00,00,00,Alice : line %d of %d",
                      l, i);
        b += line;
        b += '\0';
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    int small = 10000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            dir = argv[++i];
        else if (!std::strcmp(argv[i], "--small") && i + 1 < argc)
            small = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: library_bench --dir FOLDER [--small N]\n");
            return 2;
        }
    }
    if (dir.empty()) {
        std::fprintf(stderr, "usage: library_bench --dir FOLDER [--small N]\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    QApplication app(argc, argv);
    const auto windows = CreateViewerWindows(QFile::encodeName(home.filePath(QStringLiteral("v.cnf"))).toStdString(),
                                             QFile::encodeName(home.filePath(QStringLiteral("v.flt"))).toStdString());
    windows->mainWindow->show();
    QCoreApplication::processEvents();
    const long baseKb = PeakKb();
    LibraryWindow& window = *windows->libraryWindow;
    auto* table = window.findChild<QTableView*>(QStringLiteral("libraryTable"));

    QElapsedTimer t;
    const double cpu0 = CpuMs();
    t.start();
    window.OpenFolder(dir);
    if (!qEnvironmentVariableIsSet("LIBRARY_BENCH_HIDDEN")) window.show();
    table->viewport()->repaint();
    const double listed = Ms(t);
    const std::size_t files = window.FolderFiles().size();
    const double stall = CountAndMeasureStall(window);
    const double counted = Ms(t);
    const double countedCpu = CpuMs() - cpu0;
    std::printf("folder %s: %zu files\n", dir.c_str(), files);
    std::printf("  names, dates, sizes shown   %8.1f ms   (target < 100 ms)\n", listed);
    std::printf(
        "  all counted                 %8.1f ms, CPU %.1f ms   (compare: chatscope --stats DIR, target <= 1.5x)\n",
        counted, countedCpu);
    std::printf("  longest event-loop wait     %8.1f ms   (target < 50 ms)\n", stall);

    {
        LibraryWindow second(*windows->session, nullptr);
        QElapsedTimer t2;
        t2.start();
        second.OpenFolder(dir);
        second.show();
        second.findChild<QTableView*>(QStringLiteral("libraryTable"))->viewport()->repaint();
        const bool wasCounting = second.Counting();
        CountAndMeasureStall(second);
        std::printf("  second opening, cached      %8.1f ms   (target < 100 ms)%s\n", Ms(t2),
                    wasCounting ? "  [some files were counted again]" : "");
    }
    std::printf("  peak memory added           %8.1f MB   (target < 100 MB)\n", double(PeakKb() - baseKb) / 1024);

    if (small > 0) {
        QTemporaryDir many;
        const std::string folder = QFile::encodeName(many.path()).toStdString();
        for (int i = 0; i < small; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "/TARQ%06d.log", i);
            std::ofstream out(folder + name, std::ios::binary);
            const std::string bytes = SmallArchive(i);
            out.write(bytes.data(), std::streamsize(bytes.size()));
        }
        LibraryWindow third(*windows->session, nullptr,
                            QFile::encodeName(home.filePath(QStringLiteral("c2"))).toStdString());
        QElapsedTimer t3;
        t3.start();
        third.OpenFolder(folder);
        third.show();
        third.findChild<QTableView*>(QStringLiteral("libraryTable"))->viewport()->repaint();
        const double listedSmall = Ms(t3);
        const double stallSmall = CountAndMeasureStall(third);
        std::printf("%d small files: listed %8.1f ms (target < 1000 ms), all counted %8.1f ms, longest wait %.1f ms\n",
                    small, listedSmall, Ms(t3), stallSmall);
    }
    return 0;
}
