// The headless modes. Nothing here may start the GUI: no QApplication, no
// display connection; only QtCore's text codecs are used.
#include "command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "chatscope/filter_file.h"
#include "chatscope/html_export.h"
#include "chatscope/log_folder.h"
#include "chatscope/log_reader.h"
#include "chatscope/paths.h"
#include "chatscope/regular_file.h"
#include "chatscope/statistics.h"
#include "chatscope/statistics_view.h"
#include "chatscope/user_list.h"
#include "chatscope/viewer_settings.h"
#include "search_mode.h"
#include "settings_files.h"
#include "shown_lines_writer.h"
#include "sjis/shift_jis.h"
#include "status_texts.h"

#ifndef CHATSCOPE_VERSION
#define CHATSCOPE_VERSION "unknown"
#endif

namespace chatscope {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp =
    "Usage: chatscope [--] [FILE...]\n"
    "       chatscope --export-html OUT [--cnf FILE] [--flt FILE] LOG...\n"
    "       chatscope --stats [--raw] [--cnf FILE] [--flt FILE] LOG...\n"
    "       chatscope --text [--raw] [--cnf FILE] [--flt FILE] LOG...\n"
    "       chatscope --search TEXT [--exact] [--cnf FILE] [--flt FILE] LOG...\n"
    "\n"
    "Without an option the viewer window opens, loading the FILEs when given\n"
    "(several are one log, read in the order given).\n"
    "\n"
    "Several LOGs are read one after another as one chat log. A folder stands\n"
    "for the chat log files directly in it, in byte-wise order of their names\n"
    "(for archive names, date order); other entries are skipped, those named\n"
    "\"*.log\" with a warning.\n"
    "\n"
    "  --export-html OUT  write LOG as HTML to OUT, with the filters and the\n"
    "                     background colour of the settings; OUT \"-\" is\n"
    "                     standard output, and a device or FIFO is written\n"
    "                     to, never replaced\n"
    "  --stats            print the status texts and the statistics of LOG\n"
    "  --text             print the lines the viewer shows for LOG, one a line\n"
    "  --search TEXT      print each shown line that holds TEXT as PATH:N:LINE,\n"
    "                     N its number in the --text lines of its file; case\n"
    "                     and full or half width are ignored, as by the find bar\n"
    "  --exact            with --search: case and width count\n"
    "  --raw              print texts as the stored Shift-JIS bytes, not UTF-8;\n"
    "                     with --text: the bytes of the viewer's \".txt\" save\n"
    "  --cnf FILE         viewer settings file (default: the viewer's own)\n"
    "  --flt FILE         filter file (default: the viewer's own)\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Exit status: 0 success, 1 LOG is not a chat log or OUT cannot be written,\n"
    "2 usage error. --search: 0 a line matched, 1 none did, 2 usage error or a\n"
    "LOG that cannot be read.\n"
    "\n"
    "Examples:\n"
    "  chatscope --search Aldo ~/archives\n"
    "  chatscope --stats ~/archives/TARQ2501*\n";

// Options of the GUI toolkit that may be written with two dashes as well.
bool IsToolkitOption(std::string_view name) {
    static constexpr std::string_view kNames[] = {"platform",      "platformpluginpath",
                                                  "platformtheme", "plugin",
                                                  "qmljsdebugger", "qwindowgeometry",
                                                  "geometry",      "qwindowtitle",
                                                  "title",         "qwindowicon",
                                                  "icon",          "reverse",
                                                  "session",       "style",
                                                  "stylesheet",    "widgetcount",
                                                  "display",       "name",
                                                  "nograb",        "dograb",
                                                  "sync",          "visual",
                                                  "ncols",         "cmap",
                                                  "graphicssystem"};
    const std::size_t eq = name.find('=');
    if (eq != std::string_view::npos) name = name.substr(0, eq);
    for (std::string_view n : kNames)
        if (n == name) return true;
    return false;
}

bool IsModeOption(std::string_view arg) {
    return arg == "--export-html" || arg.rfind("--export-html=", 0) == 0 || arg == "--stats" || arg == "--text" ||
           arg == "--search" || arg.rfind("--search=", 0) == 0 || arg == "--help" || arg == "--version";
}

struct Options {
    bool help = false, version = false, stats = false, text = false, raw = false;
    bool exportHtml = false, search = false, exact = false;
    std::string out, cnf, flt, pattern;
    std::vector<std::string> logs;
    bool haveCnf = false, haveFlt = false;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "chatscope: %s (see 'chatscope --help')\n", message.c_str());
    return kExitUsage;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "chatscope: %s\n", message.c_str());
    return kExitFailure;
}

// An argument that looks like an option ("-x", "--name") and is neither one of
// ours nor one the GUI toolkit takes out of the command line. A lone "-" is a
// file name.
bool IsUnknownOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    if (IsModeOption(arg)) return false;
    const std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
    return !IsToolkitOption(name);
}

// Parses the arguments of a command-line mode; an error message on failure.
std::string ParseOptions(int argc, char** argv, Options& o) {
    std::vector<std::string> positional;
    bool onlyPositional = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyPositional || arg == "-" || arg.empty() || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        auto takeValue = [&](std::string& into, bool& seen) -> std::string {
            if (seen) return "option given twice: " + name;
            seen = true;
            if (inlineValue) {
                into = value;
            } else {
                if (i + 1 >= argc) return "option needs an argument: " + name;
                into = argv[++i];
            }
            if (into.empty()) return "empty argument for " + name;
            return {};
        };
        auto flag = [&](bool& into) -> std::string {
            if (inlineValue) return "option takes no argument: " + name;
            if (into) return "option given twice: " + name;
            into = true;
            return {};
        };
        std::string error;
        if (name == "--export-html")
            error = takeValue(o.out, o.exportHtml);
        else if (name == "--search")
            error = takeValue(o.pattern, o.search);
        else if (name == "--exact")
            error = flag(o.exact);
        else if (name == "--cnf")
            error = takeValue(o.cnf, o.haveCnf);
        else if (name == "--flt")
            error = takeValue(o.flt, o.haveFlt);
        else if (name == "--stats")
            error = flag(o.stats);
        else if (name == "--text")
            error = flag(o.text);
        else if (name == "--raw")
            error = flag(o.raw);
        else if (name == "--help" || name == "-h")
            error = flag(o.help);
        else if (name == "--version")
            error = flag(o.version);
        else
            error = "unknown option: " + arg;
        if (!error.empty()) return error;
    }
    if (o.help || o.version) return {};
    if (int(o.stats) + int(o.text) + int(o.exportHtml) + int(o.search) > 1)
        return "--stats, --text, --export-html and --search exclude each other";
    if (!o.stats && !o.text && !o.exportHtml && !o.search)
        return "--stats, --text, --export-html or --search is needed";
    if (o.raw && !o.stats && !o.text) return "--raw goes with --stats or --text only";
    if (o.exact && !o.search) return "--exact goes with --search only";
    if (positional.empty()) return "missing LOG argument";
    o.logs = std::move(positional);
    return {};
}

// Files that changed after they were listed and were no chat log file when read.
void WarnSkipped(const PassResult& pass) {
    for (const std::string& path : pass.skipped)
        std::fprintf(stderr, "chatscope: %s: skipped, not a chat log file any more\n", path.c_str());
}

class Output {
public:
    explicit Output(bool raw) : raw_(raw) {}
    void Text(std::string_view bytes) { raw_ ? void(buffer_ += bytes) : sjis::AppendUtf8(bytes, buffer_); }
    void Plain(std::string_view ascii) { buffer_ += ascii; }
    void Number(std::int64_t v) { buffer_ += std::to_string(v); }
    bool WriteTo(std::FILE* f) {
        return std::fwrite(buffer_.data(), 1, buffer_.size(), f) == buffer_.size() && std::fflush(f) == 0;
    }

private:
    bool raw_;
    std::string buffer_;
};

void PrintStatistics(Output& out, const LogStatistics& stats, const std::string& experienceText,
                     const std::string& channelCountText) {
    out.Text(experienceText);
    out.Plain("\n");
    out.Text(channelCountText);
    out.Plain("\n[counters]\n");
    for (const auto& [first, second] : CounterRows(stats)) {
        out.Text(first);
        out.Plain("\t");
        out.Text(second);
        out.Plain("\n");
    }
    out.Plain("[items]\n");
    for (const ItemRow& row : stats.items.Merged()) {
        out.Text(row.name);
        out.Plain("\t");
        out.Number(row.count);
        out.Plain("\t");
        out.Text(row.obtainer);
        out.Plain("\n");
    }
    out.Plain("[monsters]\n");
    for (const NamedCount& m : stats.DefeatedMonsters.entries()) {
        out.Text(m.name);
        out.Plain("\t");
        out.Number(m.Count());
        out.Plain("\n");
    }
    out.Plain("[partners]\n");
    for (const NamedCount& p : stats.TalkPartners.entries()) {
        out.Text(p.name);
        out.Plain("\t");
        out.Number(p.Count());
        out.Plain("\t");
        out.Text(PartnerKindText(p.Kind()));
        out.Plain("\n");
    }
}

int Run(const Options& o, const char* argv0) {
    // Settings as the viewer would load them at start-up; missing files mean defaults.
    const SettingsPaths own = LocateSettingsFilesFor(CurrentExecutablePath(argv0 ? argv0 : ""));
    ViewerSettings settings;
    UserList users;
    LoadSettingsFiles(o.haveCnf ? o.cnf : own.settingsFile, o.haveFlt ? o.flt : own.filterFile, settings, users);

    // --search fails as grep does: status 2, and 1 means only "no match".
    const int logFailure = o.search ? kExitUsage : kExitFailure;
    const LogFileList logs = ExpandLogArguments(o.logs);
    for (const std::string& warning : logs.warnings) std::fprintf(stderr, "chatscope: %s\n", warning.c_str());
    if (!logs) return Failure(logs.error), logFailure;
    const PassFilter filter{settings.filterWord(), users};

    if (o.search) {
        const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
        const SearchOutcome found =
            SearchLogFiles(logs.files, QString::fromLocal8Bit(o.pattern), o.exact, filter, stdout, threads);
        for (const std::string& path : found.unreadable)
            Failure("cannot read " + path + ": not a chat log file any more");
        if (found.writeFailed)
            return Failure(std::string("cannot write the output: ") + std::strerror(errno)), kExitUsage;
        if (!found.unreadable.empty()) return kExitUsage;
        return found.matches > 0 ? kExitOk : kExitFailure;
    }

    if (o.exportHtml) {
        errno = 0;
        // "-" is standard output; so is a special file such as /dev/stdout.
        const ExportResult result = o.out == "-" ? ExportHtmlToStream(stdout, logs.files, settings, users)
                                                 : ExportHtml(o.out, logs.files, settings, users);
        switch (result) {
        case ExportResult::Written: return kExitOk;
        case ExportResult::NoLogLoaded:
        case ExportResult::NotALogFile: return Failure("not a chat log file: " + logs.files.front());
        case ExportResult::SameFileAsLog:
            return Failure("output is a log file being read, not overwriting it: " + o.out);
        case ExportResult::CannotWrite:
            return Failure("cannot write " + o.out + (errno ? std::string(": ") + std::strerror(errno) : ""));
        }
        return kExitFailure;
    }

    if (o.text) {
        ShownLinesWriter lines(o.raw ? ShownLinesWriter::Form::PlainTextSave : ShownLinesWriter::Form::Utf8, stdout);
        const PassResult pass = ReadLogs(logs.files, &lines, filter);
        if (!pass.opened) return Failure("cannot read " + logs.files.front());
        WarnSkipped(pass);
        if (!lines.Finish()) return Failure(std::string("cannot write the output: ") + std::strerror(errno));
        return kExitOk;
    }

    DiscardSink sink;
    const PassResult pass = ReadLogs(logs.files, &sink, filter);
    if (!pass.opened) return Failure("cannot read " + logs.files.front());
    WarnSkipped(pass);
    Output out(o.raw);
    PrintStatistics(out, pass.stats, FormatExpText(pass.stats), FormatCountsText(pass.stats, pass.allLines));
    if (!out.WriteTo(stdout)) return Failure(std::string("cannot write the output: ") + std::strerror(errno));
    return kExitOk;
}

}  // namespace

std::optional<int> RunCommandLine(int argc, char** argv) {
    if (argc <= 1) return std::nullopt;
    bool mode = false;
    std::string unknown;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (IsModeOption(arg))
            mode = true;
        else if (unknown.empty() && IsUnknownOption(arg))
            unknown = std::string(arg);
    }
    if (!mode) {
        // No mode: the windows, unless an option before "--" is neither ours nor the toolkit's.
        if (unknown.empty()) return std::nullopt;
        if (unknown == "--raw" || unknown == "--cnf" || unknown.rfind("--cnf=", 0) == 0 || unknown == "--flt" ||
            unknown.rfind("--flt=", 0) == 0)
            return UsageError("--stats, --text, --export-html or --search is needed");
        if (unknown == "--exact") return UsageError("--exact goes with --search only");
        return UsageError("unknown option: " + unknown);
    }
    Options o;
    if (std::string error = ParseOptions(argc, argv, o); !error.empty()) return UsageError(error);
    if (o.help) {
        std::fputs(kHelp, stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
    }
    if (o.version) {
        std::printf("chatscope %s\n", CHATSCOPE_VERSION);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailure;
    }
    return Run(o, argv[0]);
}

}  // namespace chatscope
