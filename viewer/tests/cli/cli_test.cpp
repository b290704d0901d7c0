// The chatscope binary's headless modes, run as a separate process without a
// display, against what the core computes in-process.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "chatscope/classify.h"
#include "chatscope/filter_file.h"
#include "chatscope/html_export.h"
#include "chatscope/log_reader.h"
#include "chatscope/statistics.h"
#include "chatscope/statistics_view.h"
#include "command_line.h"
#include "find/text_matcher.h"
#include "log_builder.h"
#include "search_mode.h"
#include "sjis/shift_jis.h"
#include "status_texts.h"

namespace {

using namespace chatscope;

using testsupport::ReadAll;

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs a program with stdout and stderr caught, no display in its environment.
Result RunProgram(const std::vector<std::string>& args) {
    static logtest::TempDir capture;
    const std::string outPath = (capture.path() / "stdout").string();
    const std::string errPath = (capture.path() / "stderr").string();
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(o, 1);
        dup2(e, 2);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int ws = 0;
    waitpid(pid, &ws, 0);
    Result r;
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

class CommandLine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new logtest::TempDir;
        archive_ = (dir_->path() / "archive.log").string();
        ASSERT_EQ(RunProgram({CHATLOG_GENERATE_BIN, "--blocks", "120", "--seed", "42", archive_}).status, 0);
        noCnf_ = (dir_->path() / "none.cnf").string();
        noFlt_ = (dir_->path() / "none.flt").string();
    }
    static void TearDownTestSuite() { delete dir_; }

    static Result Stats(const std::string& log, bool raw = false, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{CHATSCOPE_BIN, "--stats"};
        if (raw) args.push_back("--raw");
        if (extra.empty()) extra = {"--cnf", noCnf_, "--flt", noFlt_};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(log);
        return RunProgram(args);
    }

    // The --raw text, assembled from an in-process pass of the core.
    static std::string ExpectedRawStats(const std::string& log, const ViewerSettings& settings, const UserList& users) {
        struct Null : RecordSink {
            void Put(std::uint8_t, std::uint32_t, std::string_view, bool) override {}
        } sink;
        const PassResult pass = ReadLog(log, &sink, {settings.filterWord(), users});
        const LogStatistics& stats = pass.stats;
        std::string s = FormatExpText(stats) + "\n" + FormatCountsText(stats, pass.allLines) + "\n[counters]\n";
        for (const auto& [a, b] : CounterRows(stats)) s += a + "\t" + b + "\n";
        s += "[items]\n";
        for (const auto& row : stats.items.Merged())
            s += row.name + "\t" + std::to_string(row.count) + "\t" + row.obtainer + "\n";
        s += "[monsters]\n";
        for (const auto& m : stats.DefeatedMonsters.entries()) s += m.name + "\t" + std::to_string(m.Count()) + "\n";
        s += "[partners]\n";
        for (const auto& p : stats.TalkPartners.entries())
            s += p.name + "\t" + std::to_string(p.Count()) + "\t" + PartnerKindText(p.Kind()) + "\n";
        return s;
    }

    static logtest::TempDir* dir_;
    static std::string archive_, noCnf_, noFlt_;
};
logtest::TempDir* CommandLine::dir_ = nullptr;
std::string CommandLine::archive_, CommandLine::noCnf_, CommandLine::noFlt_;

TEST_F(CommandLine, StatsSectionsAndFirstLines) {
    const Result r = Stats(archive_);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto lines = Lines(r.out);
    ASSERT_GE(lines.size(), 38u);
    EXPECT_EQ(lines[0].rfind("取得経験値:", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Say:", 0), 0u);
    EXPECT_NE(lines[1].find(", All:6000"), std::string::npos) << lines[1];  // 120 full blocks
    EXPECT_EQ(lines[2], "[counters]");
    EXPECT_EQ(lines[3].rfind("Say\t", 0), 0u);
    EXPECT_EQ(lines[3].substr(lines[3].size() - 4), " 行");
    EXPECT_EQ(lines[9].rfind("サービスメッセージ\t", 0), 0u);
    EXPECT_EQ(lines[17].rfind("取得経験値\t", 0), 0u);
    EXPECT_EQ(lines[17].substr(lines[17].size() - 13), " ポイント");
    EXPECT_EQ(lines[33].rfind("戦闘不能回数(パーティー)\t", 0), 0u);
    EXPECT_EQ(lines[34], "[items]");
    std::vector<std::string> sections;
    for (const auto& l : lines)
        if (!l.empty() && l[0] == '[' && l.find('\t') == std::string::npos) sections.push_back(l);
    EXPECT_EQ(sections, (std::vector<std::string>{"[counters]", "[items]", "[monsters]", "[partners]"}));
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(CommandLine, RawStatsAreTheCoresBytesAndUtf8IsTheirDecoding) {
    const Result raw = Stats(archive_, true);
    ASSERT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out.rfind("\x8E\xE6\x93\xBE\x8C\x6F\x8C\xB1\x92\x6C:", 0), 0u);
    EXPECT_TRUE(raw.out == ExpectedRawStats(archive_, ViewerSettings{}, UserList{}));
    const Result utf8 = Stats(archive_);
    EXPECT_TRUE(utf8.out == sjis::DecodeToUtf8(raw.out));
}

TEST_F(CommandLine, SettingsAndFilterFilesAreApplied) {
    ViewerSettings settings;
    settings.SetRgb(0x10, 0x20, 0x30);
    settings.SetFilterWord(FilterBit::Say | FilterBit::ItemDrop);
    const std::string cnf = (dir_->path() / "s.cnf").string();
    ASSERT_TRUE(SaveViewerSettings(cnf, settings));
    // Type codes 1 and 9 (Say) move into the user category; 200 is not in the archive.
    const std::string flt = dir_->Write("s.flt", "0,1,SayUser\r\n# own\r\n0,9,SayOwn\r\n1,200,Other\r\n");
    UserList users;
    ASSERT_TRUE(LoadUserFilters(flt, users));

    const Result raw = Stats(archive_, true, {"--cnf", cnf, "--flt", flt});
    ASSERT_EQ(raw.status, 0);
    EXPECT_TRUE(raw.out == ExpectedRawStats(archive_, settings, users));
    EXPECT_NE(raw.out.find("Say:0,"), std::string::npos);  // all say records are user-filtered

    const std::string out = (dir_->path() / "cli.html").string();
    const Result r = RunProgram({CHATSCOPE_BIN, "--export-html", out, "--cnf", cnf, "--flt", flt, archive_});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");

    const std::string expected = (dir_->path() / "core.html").string();
    ASSERT_EQ(ExportHtml(expected, archive_, settings, users), ExportResult::Written);
    const std::string html = ReadAll(out);
    EXPECT_TRUE(html == ReadAll(expected));
    EXPECT_NE(html.find("<BODY BGCOLOR=\"#102030\">"), std::string::npos);
}

TEST_F(CommandLine, TextPrintsTheShownLines) {
    ViewerSettings settings;
    settings.SetFilterWord(FilterBit::Say);
    const std::string cnf = (dir_->path() / "text.cnf").string();
    ASSERT_TRUE(SaveViewerSettings(cnf, settings));
    struct Counter : RecordSink {
        std::size_t shown = 0, indented = 0;
        void Put(std::uint8_t, std::uint32_t, std::string_view, bool indent) override {
            ++shown;
            indented += indent;
        }
    };
    auto shownRecords = [&](const ViewerSettings& s) {
        UserList users;
        Counter counter;
        ReadLog(archive_, &counter, {s.filterWord(), users});
        return counter;
    };
    for (const ViewerSettings& s : {ViewerSettings{}, settings}) {
        const std::vector<std::string> files{"--cnf", s.filterWord() ? cnf : noCnf_, "--flt", noFlt_};
        std::vector<std::string> args{CHATSCOPE_BIN, "--text"};
        args.insert(args.end(), files.begin(), files.end());
        args.push_back(archive_);
        const Result utf8 = RunProgram(args);
        args.insert(args.begin() + 2, "--raw");
        const Result raw = RunProgram(args);
        ASSERT_EQ(utf8.status, 0) << utf8.err;
        ASSERT_EQ(raw.status, 0) << raw.err;
        EXPECT_EQ(utf8.err + raw.err, "");

        const Counter expected = shownRecords(s);
        ASSERT_GT(expected.indented, 0u);
        EXPECT_EQ(Lines(utf8.out).size(), expected.shown);
        EXPECT_EQ(std::count(raw.out.begin(), raw.out.end(), '\n'), std::ptrdiff_t(expected.shown) - 1);
        // UTF-8 is the decoding of the raw lines, each ended by LF.
        std::string lf;
        for (const std::string& line : Lines(raw.out)) lf += line.substr(0, line.find('\r')) + "\n";
        EXPECT_TRUE(utf8.out == sjis::DecodeToUtf8(lf));
        EXPECT_NE(utf8.out.find("\n\u3000\u3000"), std::string::npos);  // the indent as the display shows it
        EXPECT_NE(raw.out.find("\r\n\x81\x40\x81\x40"), std::string::npos);
    }
    EXPECT_LT(shownRecords(settings).shown, shownRecords(ViewerSettings{}).shown);

    // No record shown: nothing printed. Not a chat log: exit 1, nothing printed.
    const Result none = RunProgram({CHATSCOPE_BIN, "--text", dir_->Write("header.log", logtest::Header())});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    const Result notLog = RunProgram({CHATSCOPE_BIN, "--text", "--raw", dir_->Write("plain.txt", "text\n")});
    EXPECT_EQ(notLog.status, 1);
    EXPECT_EQ(notLog.out, "");
    EXPECT_EQ(notLog.err.rfind("chatscope: not a chat log file: ", 0), 0u);
}

TEST_F(CommandLine, ExportOfTheBundledSampleMatchesTheCore) {
    const std::string out = (dir_->path() / "sample.html").string();
    const Result r =
        RunProgram({CHATSCOPE_BIN, "--export-html=" + out, "--cnf", noCnf_, "--flt", noFlt_, CHATSCOPE_SAMPLE});
    ASSERT_EQ(r.status, 0) << r.err;
    ViewerSettings settings;
    UserList users;
    const std::string expected = (dir_->path() / "sample-core.html").string();
    ASSERT_EQ(ExportHtml(expected, CHATSCOPE_SAMPLE, settings, users), ExportResult::Written);
    const std::string html = ReadAll(out);
    EXPECT_TRUE(html == ReadAll(expected));
    EXPECT_EQ(html.rfind("<HTML>\r\n<HEAD>\r\n", 0), 0u);
    EXPECT_EQ(html.substr(html.size() - 18), "</BODY>\r\n</HTML>\r\n");
}

TEST_F(CommandLine, NotALogFileFailsAndCreatesNothing) {
    const std::string text = dir_->Write("notes.txt", "just some text, not a chat log\n");
    const std::string out = (dir_->path() / "never.html").string();
    Result r = RunProgram({CHATSCOPE_BIN, "--export-html", out, text});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "chatscope: not a chat log file: " + text + "\n");
    EXPECT_FALSE(std::filesystem::exists(out));

    r = Stats(text);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "chatscope: not a chat log file: " + text + "\n");

    r = Stats((dir_->path() / "missing.log").string());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST_F(CommandLine, OutputNamingTheLogIsRefused) {
    const std::string bytes = ReadAll(archive_);
    const std::string log = dir_->Write("victim.log", bytes);
    const auto link = dir_->path() / "victim-link.html";
    std::filesystem::create_symlink(log, link);
    for (const std::string& out : {log, link.string()}) {
        const Result r = RunProgram({CHATSCOPE_BIN, "--export-html", out, log});
        EXPECT_EQ(r.status, 1) << out;
        EXPECT_NE(r.err.find("chatscope: "), std::string::npos);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    }
    EXPECT_TRUE(ReadAll(log) == bytes);
}

TEST_F(CommandLine, UnwritableOutputFails) {
    const std::string out = (dir_->path() / "no-such-folder" / "o.html").string();
    const Result r = RunProgram({CHATSCOPE_BIN, "--export-html", out, archive_});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("chatscope: cannot write " + out, 0), 0u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));

    // Under a file-size limit the write fails (SIGXFSZ is ignored): reported,
    // and the old output stays whole.
    const std::string old = dir_->Write("limited.html", "previous export");
    const Result limited = RunProgram({"/usr/bin/prlimit", "--fsize=20000", CHATSCOPE_BIN, "--export-html", old,
                                       "--cnf", noCnf_, "--flt", noFlt_, archive_});
    EXPECT_EQ(limited.status, 1);
    EXPECT_EQ(limited.err, "chatscope: cannot write " + old + ": File too large\n");
    EXPECT_EQ(ReadAll(old), "previous export");
}

TEST_F(CommandLine, UsageErrorsExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"--frobnicate"},
        {"--stats"},
        {"--search"},
        {"--search", "", archive_},
        {"--search", "x", "--stats", archive_},
        {"--stats", "--exact", archive_},
        {"--exact", archive_},
        {"--search", "x", "--raw", archive_},
        {"--export-html"},
        {"--export-html", "o.html"},
        {"--stats", "--export-html", "o.html", archive_},
        {"--stats", "--cnf"},
        {"--stats", "--cnf", "a", "--cnf", "b", archive_},
        {"--export-html", "o.html", "--raw", archive_},
        {"--raw", archive_},
        {"--cnf", "x.cnf", archive_},
        {"--stats", "-x", archive_},
        {"--stats=yes", archive_},
        {"--text"},
        {"--text", "--stats", archive_},
        {"--text", "--export-html", "o.html", archive_},
        {"--text=yes", archive_},
        {"-x", archive_},
        {"-x"},
        {archive_, "--bogus", "--", archive_},
    };
    for (auto args : cases) {
        args.insert(args.begin(), CHATSCOPE_BIN);
        const Result r = RunProgram(args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("chatscope: ", 0), 0u);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("o.html"));
}

TEST_F(CommandLine, HelpAndVersion) {
    Result r = RunProgram({CHATSCOPE_BIN, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--export-html OUT"), std::string::npos);
    EXPECT_NE(r.out.find("--stats [--raw]"), std::string::npos);
    EXPECT_NE(r.out.find("--text [--raw]"), std::string::npos);
    r = RunProgram({CHATSCOPE_BIN, "--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("chatscope ", 0), 0u);
}

TEST_F(CommandLine, StatsOfAHeaderOnlyFile) {
    const std::string log = dir_->Write("empty.log", logtest::Header());
    const Result r = Stats(log);
    ASSERT_EQ(r.status, 0);
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u + 1 + 31 + 3);
    EXPECT_EQ(lines[0], "取得経験値:0");
    EXPECT_EQ(lines[1], "Say:0, Tell:0, Party:0, LinkShell:0, Shout:0, Emote:0, Drop:0, Exp:0, Skill:0, All:0");
    EXPECT_EQ(lines[34], "[items]");
    EXPECT_EQ(lines[35], "[monsters]");
    EXPECT_EQ(lines[36], "[partners]");
}

// A FIFO, a device or a folder as LOG is refused at once; as a settings or
// filter file it is used as a missing one, with a warning. Under `timeout`, so
// a read that blocks fails the test instead of hanging it.
TEST_F(CommandLine, SpecialFilesAreRefusedWithoutBlocking) {
    const std::string fifo = (dir_->path() / "special.fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir_->path().string();
    const std::string emptyFolder = folder + "/no-logs";
    std::filesystem::create_directory(emptyFolder);
    const std::string withFifo = folder + "/with-fifo", missing = folder + "/missing.log";
    std::filesystem::create_directory(withFifo);
    std::filesystem::copy_file(archive_, withFifo + "/a.log");
    ASSERT_EQ(mkfifo((withFifo + "/z.log").c_str(), 0600), 0);
    const std::string out = (dir_->path() / "special.html").string();
    const std::string defaults = Stats(archive_).out;
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } rows[] = {
        {{"--stats", fifo}, 1, "chatscope: not a regular file: " + fifo + "\n"},
        {{"--stats", "/dev/zero"}, 1, "chatscope: not a regular file: /dev/zero\n"},
        {{"--stats", emptyFolder}, 1, "chatscope: no chat log file in " + emptyFolder + "\n"},
        {{"--search", "x", fifo}, 2, "chatscope: not a regular file: " + fifo + "\n"},
        {{"--stats", missing}, 1, "chatscope: cannot read " + missing + ": No such file or directory\n"},
        {{"--search", "x", missing}, 2, "chatscope: cannot read " + missing + ": No such file or directory\n"},
        {{"--stats", "--cnf", noCnf_, "--flt", noFlt_, withFifo},
         0,
         "chatscope: " + withFifo + "/z.log: skipped, not a regular file\n"},
        {{"--export-html", out, fifo}, 1, "chatscope: not a regular file: " + fifo + "\n"},
        {{"--stats", "--cnf", fifo, "--flt", noFlt_, archive_},
         0,
         "chatscope: settings file " + fifo + " is not a regular file; using the defaults\n"},
        {{"--stats", "--cnf", noCnf_, "--flt", "/dev/zero", archive_},
         0,
         "chatscope: filter file /dev/zero is not a regular file; using no user list\n"},
        {{"--stats", "--cnf", folder, "--flt", fifo, archive_},
         0,
         "chatscope: settings file " + folder +
             " is not a regular file; using the defaults\n"
             "chatscope: filter file " +
             fifo + " is not a regular file; using no user list\n"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args{"/usr/bin/timeout", "10", CHATSCOPE_BIN};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const Result r = RunProgram(args);
        SCOPED_TRACE(row.args[1]);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.out, row.status == 0 ? defaults : "");
    }
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

// An existing output that is not a regular file gets the export as a stream
// and stays what it was; "-" is standard output. A name of 255 bytes, the
// most a folder holds, is replaced through a temporary file as any other.
TEST_F(CommandLine, ExportStreamsIntoSpecialFilesAndStandardOutput) {
    const std::string expected = (dir_->path() / "stream-expected.html").string();
    ASSERT_EQ(RunProgram({CHATSCOPE_BIN, "--export-html", expected, "--cnf", noCnf_, "--flt", noFlt_, archive_}).status,
              0);
    const std::string html = ReadAll(expected);
    const std::filesystem::path folder = dir_->path() / "streams";
    std::filesystem::create_directory(folder);
    const std::string longName = std::string(250, 'n') + ".html";
    // "stdout-link" stands for /dev/stdout (a link to /proc/self/fd/1): a broken
    // build run as root must not be able to replace the system's own.
    const std::string script =
        R"(bin=$1 cnf=$2 flt=$3 log=$4 long=$6
cd "$5" && mkfifo fifo && ln -s fifo link && ln -s /proc/self/fd/1 stdout-link || exit 10
run() { timeout 20 "$bin" --cnf "$cnf" --flt "$flt" --export-html "$1" "$log"; }
run fifo & timeout 20 cat fifo > from-fifo; wait $! || exit 11
run link & timeout 20 cat fifo > from-link; wait $! || exit 12
run - | cat > from-dash; [ "${PIPESTATUS[0]}" = 0 ] || exit 13
run stdout-link | cat > from-stdout; [ "${PIPESTATUS[0]}" = 0 ] || exit 14
run "$long" || exit 15
)";
    const std::string scriptFile = dir_->Write("streams.sh", script);
    std::string command = "bash '" + scriptFile + "'";
    for (const std::string& arg : {std::string(CHATSCOPE_BIN), noCnf_, noFlt_, archive_, folder.string(), longName})
        command += " '" + arg + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"from-fifo", "from-link", "from-dash", "from-stdout"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(ReadAll((folder / name).string()) == html);
    }
    EXPECT_TRUE(ReadAll((folder / longName).string()) == html);
    EXPECT_EQ(std::filesystem::symlink_status(folder / "fifo").type(), std::filesystem::file_type::fifo);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "stdout-link"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 8);  // nothing else left
}

// Which arguments go to the windows: decided in-process, nothing is run.
TEST(CommandLineDispatch, WindowArgumentsAreLeftToTheViewer) {
    auto dispatch = [](std::vector<std::string> args) {
        args.insert(args.begin(), "chatscope");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return RunCommandLine(static_cast<int>(args.size()), argv.data());
    };
    EXPECT_EQ(dispatch({}), std::nullopt);
    EXPECT_EQ(dispatch({"some.log"}), std::nullopt);
    EXPECT_EQ(dispatch({"-platform", "offscreen"}), std::nullopt);
    EXPECT_EQ(dispatch({"-platform", "offscreen", "some.log"}), std::nullopt);
    EXPECT_EQ(dispatch({"--platform=offscreen", "some.log"}), std::nullopt);
    EXPECT_EQ(dispatch({"-style", "fusion"}), std::nullopt);
}

// The windows come from their module, which the executable looks for in the
// library folder of an installed layout, then beside itself. The command-line
// modes never need it; without a usable one the windows fail with a message.
TEST(WindowModule, IsLookedForInTheLibraryFolderThenBesideTheProgram) {
    namespace fs = std::filesystem;
    logtest::TempDir dir;
    const fs::path bin = dir.path() / "bin";
    fs::create_directories(bin);
    const fs::path library = bin / CHATSCOPE_MODULE_FOLDER;
    fs::create_directories(library);
    fs::copy_file(CHATSCOPE_BIN, bin / "chatscope");
    const std::string program = (bin / "chatscope").string();
    const std::string beside = (bin / "chatscope-window.so").string();

    EXPECT_EQ(RunProgram({program, "--version"}).status, 0);
    Result r = RunProgram({program, CHATSCOPE_SAMPLE});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot load the windows: chatscope-window.so is neither in"), std::string::npos) << r.err;

    std::ofstream(beside) << "not a module";
    r = RunProgram({program, CHATSCOPE_SAMPLE});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot load the windows: " + beside), std::string::npos) << r.err;

    // The real module in the library folder wins over the broken one; with no
    // display, the windows' own start fails.
    fs::create_symlink(CHATSCOPE_WINDOW_MODULE, library / "chatscope-window.so");
    r = RunProgram({program, CHATSCOPE_SAMPLE});
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.find("cannot load the windows"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("platform plugin"), std::string::npos) << r.err;
}

}  // namespace

// --search against the reference: each file's --text lines, folded one by one
// (or as they are, with --exact), searched for the folded text; numbered within
// their file and printed in file order, from the binary and from the search run
// in-process on one thread and on several.
TEST_F(CommandLine, SearchMatchesTheFoldedTextLinesOfEachFile) {
    const std::string folder = (dir_->path() / "search").string();
    std::filesystem::create_directory(folder);
    std::vector<std::string> files;
    for (int seed : {3, 1, 2}) {
        files.push_back(folder + "/TARQ2501" + std::to_string(seed) + ".log");
        ASSERT_EQ(
            RunProgram({CHATLOG_GENERATE_BIN, "--blocks", "8", "--seed", std::to_string(seed), files.back()}).status,
            0);
    }
    std::sort(files.begin(), files.end());
    std::map<std::string, std::vector<std::string>> textLines;
    for (const std::string& f : files)
        textLines[f] = Lines(RunProgram({CHATSCOPE_BIN, "--text", "--cnf", noCnf_, "--flt", noFlt_, f}).out);
    const std::string patterns[] = {"Aldo", "ａｌｄｏ", "ALDO", "ダメージ", "ﾀﾞﾒｰｼﾞ", "→", "ﾎﾟｰｼｮﾝ", "　　", "zzqq"};
    UserList users;
    const PassFilter filter{0, users};
    for (const std::string& pattern : patterns) {
        for (bool exact : {false, true}) {
            SCOPED_TRACE(pattern + (exact ? " exact" : ""));
            const QString text = QString::fromStdString(pattern);
            const QString folded = FoldForSearch(text);
            std::string expected;
            for (const std::string& f : files) {
                int n = 0;
                for (const std::string& line : textLines[f]) {
                    ++n;
                    const QString l = QString::fromStdString(line);
                    if (exact ? l.contains(text) : FoldForSearch(l).contains(folded))
                        expected += f + ":" + std::to_string(n) + ":" + line + "\n";
                }
            }
            std::vector<std::string> args{CHATSCOPE_BIN, "--search", pattern, "--cnf", noCnf_, "--flt", noFlt_, folder};
            if (exact) args.insert(args.begin() + 3, "--exact");
            const Result r = RunProgram(args);
            EXPECT_EQ(r.out, expected);
            EXPECT_EQ(r.status, expected.empty() ? 1 : 0);
            for (unsigned threads : {1u, 4u}) {
                std::FILE* out = std::tmpfile();
                const SearchOutcome found = SearchLogFiles(files, text, exact, filter, out, threads);
                std::rewind(out);
                std::string got(expected.size() + 1, '\0');
                got.resize(std::fread(got.data(), 1, got.size(), out));
                std::fclose(out);
                EXPECT_EQ(got, expected) << threads << " threads";
                EXPECT_EQ(found.matches, std::count(expected.begin(), expected.end(), '\n'));
            }
        }
    }
    EXPECT_NE(RunProgram({CHATSCOPE_BIN, "--search", "ａｌｄｏ", folder}).out, "");
}
