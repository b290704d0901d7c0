// Times the search across a folder of archives in the real search panel under
// the offscreen platform: from a change of the search text to the first result
// listed and to the whole search, the longest wait of a 10 ms timer meanwhile
// (how long the event loop was kept from running), and the memory the search
// adds at its peak; then reading the line of the last result listed. The fonts
// of Japanese text are loaded before the first search, as the main window's
// first paint loads them in the viewer.
//
// Usage: library_search_bench [--dir FOLDER] [--files N] [--megabytes M] [--text T]... [--runs R]
// FOLDER holds the archives (default $TMPDIR/chatscope-bench-library-MMB-Nfiles); when it
// holds none, the benchmark archive (chatlog-generate beside this program, seed 7, M MB,
// default 700) is made and cut at block boundaries into N daily archives (default 365).
// Texts default to "a" (in most lines: more results than are listed) and "lollollollol" (in a few lines).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "library/library_search.h"
#include "library/search_panel.h"
#include "library/search_results_model.h"
#include "log_session.h"
#include "main_window.h"

using namespace chatscope;

namespace {

// A figure of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::char_traits<char>::length(field) + 1) / 1024;
    return 0;
}

// The peak resident size starts again from the present one.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Cuts `archive` at block boundaries into `files` archives of about equal size
// in `folder`, named by consecutive days as the catcher names them.
bool CutArchive(const std::string& archive, const QString& folder, int files) {
    std::ifstream in(archive, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    in.seekg(0);
    const std::streamoff share = size / files;
    std::tm day{};
    day.tm_year = 125;
    day.tm_mday = 1;
    day.tm_hour = 12;
    std::string block, line;
    for (int n = 0; n < files && in.peek() != EOF; ++n) {
        std::mktime(&day);
        char name[64];
        std::strftime(name, sizeof name, "TARQ%Y%m%d_1200_00.log", &day);
        ++day.tm_mday;
        std::ofstream out(QDir(folder).filePath(QString::fromLatin1(name)).toStdString(), std::ios::binary);
        for (std::streamoff written = 0; (written < share || n == files - 1) && in.peek() != EOF;) {
            block.assign(100, '\0');
            in.read(block.data(), 100);
            for (int k = 0; k < 50 && std::getline(in, line, '\0'); ++k) (block += line) += '\0';
            out.write(block.data(), std::streamsize(block.size()));
            written += std::streamoff(block.size());
        }
    }
    return true;
}

std::vector<std::string> FolderFiles(const QString& folder) {
    std::vector<std::string> files;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.log")}, QDir::Files, QDir::Name))
        files.push_back(MainWindow::ToLocalPath(QDir(folder).filePath(name)));
    std::sort(files.begin(), files.end());
    return files;
}

// The application, timing each event it hands on: the longest one names what
// kept the event loop from its timers.
class TimingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --depth_;
            return r;
        }
        QElapsedTimer clock;
        clock.start();
        const bool r = QApplication::notify(receiver, event);
        --depth_;
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (ms > longestMs) {
            longestMs = ms;
            longestWhat = QStringLiteral("event %1 to %2")
                              .arg(int(event->type()))
                              .arg(QString::fromLatin1(receiver->metaObject()->className()));
        }
        return r;
    }
    double longestMs = 0;
    QString longestWhat;

private:
    int depth_ = 0;
};

struct Run {
    double firstMs = -1, completeMs = 0, longestGapMs = 0, peakAddedMb = 0, longestEventMs = 0;
    QString longestEvent;
    std::int64_t matches = 0;
    std::size_t listed = 0;
};

Run SearchOnce(LibrarySearchPanel& panel, const QString& text) {
    auto& field = *panel.findChild<QLineEdit*>(QStringLiteral("searchField"));
    const LibrarySearch& search = panel.Search();
    field.clear();
    QCoreApplication::processEvents();
    Run run;
    auto& timing = static_cast<TimingApplication&>(*qApp);
    timing.longestMs = 0;
    ResetPeak();
    const double before = StatusMb("VmRSS:");
    QElapsedTimer clock, sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        run.longestGapMs = std::max(run.longestGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.start();
    });
    QEventLoop loop;
    const auto progressed = QObject::connect(&search, &LibrarySearch::Progressed, [&](std::size_t, std::size_t count) {
        if (count > 0 && run.firstMs < 0) run.firstMs = double(clock.nsecsElapsed()) / 1e6;
    });
    const auto finished = QObject::connect(&search, &LibrarySearch::Finished, &loop, &QEventLoop::quit);
    clock.start();
    sinceTick.start();
    tick.start();
    field.setText(text);
    if (search.Running()) loop.exec();
    run.completeMs = double(clock.nsecsElapsed()) / 1e6;
    tick.stop();
    QObject::disconnect(progressed);
    QObject::disconnect(finished);
    run.peakAddedMb = StatusMb("VmHWM:") - before;
    run.longestEventMs = timing.longestMs;
    run.longestEvent = timing.longestWhat;
    run.matches = search.TotalMatches();
    run.listed = search.Hits().size();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimingApplication app(argc, argv);
    int files = 365, megabytes = 700, runs = 3;
    QString folder;
    QStringList texts;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--dir"))
            folder = args[i + 1];
        else if (args[i] == QLatin1String("--files"))
            files = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--megabytes"))
            megabytes = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--text"))
            texts << args[i + 1];
        else if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
        else {
            std::fprintf(stderr, "library_search_bench: unknown option %s\n", qPrintable(args[i]));
            return 2;
        }
    }
    if (texts.isEmpty()) texts << QStringLiteral("a") << QStringLiteral("lollollollol");
    if (folder.isEmpty())
        folder =
            QDir::temp().filePath(QStringLiteral("chatscope-bench-library-%1mb-%2files").arg(megabytes).arg(files));
    if (FolderFiles(folder).empty()) {
        QDir().mkpath(folder);
        const QString archive = folder + QStringLiteral(".archive");
        const QString generator = QCoreApplication::applicationDirPath() + QStringLiteral("/chatlog-generate");
        const std::string command = "'" + generator.toStdString() + "' --megabytes " + std::to_string(megabytes) +
                                    " --seed 7 '" + archive.toStdString() + "'";
        if (std::system(command.c_str()) != 0 || !CutArchive(archive.toStdString(), folder, files)) {
            std::fprintf(stderr, "library_search_bench: could not make the folder %s\n", qPrintable(folder));
            return 1;
        }
        QFile::remove(archive);
    }
    const std::vector<std::string> paths = FolderFiles(folder);
    double bytes = 0;
    std::vector<char> buffer(1 << 20);
    for (const std::string& path : paths) {  // into the page cache
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) bytes += double(in.gcount());
    }
    std::printf("folder: %s (%zu files, %.0f MB), %u cores\n", qPrintable(folder), paths.size(), bytes / 1e6,
                std::max(1u, std::thread::hardware_concurrency()));

    QTemporaryDir settings;
    LogSession session(MainWindow::ToLocalPath(settings.filePath(QStringLiteral("bench.cnf"))),
                       MainWindow::ToLocalPath(settings.filePath(QStringLiteral("bench.flt"))));
    LibrarySearchPanel panel(session);
    panel.resize(1000, 700);
    panel.show();
    panel.SetFiles(paths, {});
    QCoreApplication::processEvents();
    {
        // The fonts of Japanese text loaded, as the main window's first paint of a log loads them.
        QImage image(400, 40, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setFont(panel.font());
        painter.drawText(4, 30,
                         QStringLiteral("こんにちは、今日もよろしく。ゴブリンは倒れた。ポーションを手に入れた。"));
    }
    std::printf("RSS with the panel shown: %.1f MB\n", StatusMb("VmRSS:"));

    for (const QString& text : texts) {
        for (int r = 0; r < runs; ++r) {
            const Run run = SearchOnce(panel, text);
            std::printf(
                "\"%s\" run %d: first result %7.1f ms, complete %7.1f ms, longest timer gap %5.1f ms, "
                "peak memory added %6.1f MB; %lld matches, %zu listed; longest event %.1f ms (%s)\n",
                qPrintable(text), r + 1, run.firstMs, run.completeMs, run.longestGapMs, run.peakAddedMb,
                static_cast<long long>(run.matches), run.listed, run.longestEventMs, qPrintable(run.longestEvent));
        }
        // The last results listed: scrolled to, painted, and painted again once their lines were read.
        auto& results = *panel.findChild<QTableView*>(QStringLiteral("searchResults"));
        const QAbstractItemModel& model = *results.model();
        QElapsedTimer clock;
        clock.start();
        results.scrollToBottom();
        results.viewport()->repaint();
        const double painted = double(clock.nsecsElapsed()) / 1e6;
        const QModelIndex last = model.index(model.rowCount() - 1, 0);
        while (last.isValid() && !last.data(SearchResultsModel::kReadRole).toBool())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::printf("\"%s\": scrolled to the last results: painted in %.1f ms, their lines shown after %.1f ms\n",
                    qPrintable(text), painted, double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("peak RSS: %.1f MB\n", StatusMb("VmHWM:"));
    return 0;
}
