#include "command_line.h"

#ifndef CHATKEEPER_VERSION
#define CHATKEEPER_VERSION "0.0.0"
#endif

namespace chatkeeper::app {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    auto fail = [&result](std::string why) {
        result.action = CommandLine::Action::Error;
        result.error = std::move(why);
        return result;
    };
    bool help = false;
    bool version = false;
    bool find = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--headless") {
            result.headless = true;
        } else if (arg == "--cnf") {
            if (i + 1 >= args.size()) return fail("option --cnf needs a file");
            result.settingsFile = args[++i];
            if (result.settingsFile.empty()) return fail("option --cnf needs a file");
        } else if (arg.rfind("--cnf=", 0) == 0) {
            result.settingsFile = arg.substr(6);
            if (result.settingsFile.empty()) return fail("option --cnf needs a file");
        } else if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--find-game-folders") {
            find = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else {
            return fail("unexpected argument " + arg);
        }
    }
    if (help)
        result.action = CommandLine::Action::Help;
    else if (version)
        result.action = CommandLine::Action::Version;
    else if (find)
        result.action = CommandLine::Action::FindGameFolders;
    return result;
}

std::string UsageLine() {
    return "usage: chatkeeper [--headless] [--cnf FILE] [--find-game-folders] [--help] [--version]";
}

std::string HelpText() {
    return UsageLine() +
           "\n\n"
           "Appends each changed game log file (0.log to 19.log) to an archive file,\n"
           "checking every 10 seconds. Without options it runs in the notification area.\n"
           "\n"
           "  --headless  run the capture with no window and no icon, until SIGTERM or\n"
           "              SIGINT; the settings file is read, never written\n"
           "  --cnf FILE  use FILE as the settings file\n"
           "  --find-game-folders\n"
           "              print the folders that hold the game's log files inside the\n"
           "              Wine, Proton, Lutris, Heroic, Bottles and PlayOnLinux prefixes\n"
           "              of the home folder, newest first, one a line, and exit (status\n"
           "              1 when there is none)\n"
           "  --help      show this text and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "The settings file is $XDG_CONFIG_HOME/chatkeeper/chatkeeper.cnf (default\n"
           "~/.config/chatkeeper/chatkeeper.cnf); a catcher run from its build tree, or a\n"
           "copy whose folder holds chatkeeper.cnf, keeps it beside the executable.\n"
           "Only one catcher runs per user.\n";
}

std::string VersionText() { return std::string("chatkeeper ") + CHATKEEPER_VERSION; }

}  // namespace chatkeeper::app
