// The catcher's command line.
#pragma once

#include <string>
#include <vector>

namespace chatkeeper::app {

struct CommandLine {
    enum class Action { Run, Help, Version, FindGameFolders, Error };
    Action action = Action::Run;
    bool headless = false;
    std::string settingsFile;  // --cnf FILE; empty for the default file
    std::string error;         // what was wrong, for Action::Error
};

// Parses the arguments after the program name: --headless, --cnf FILE
// (also --cnf=FILE), --help (-h), --version, --find-game-folders. Qt's own X11 options are not
// accepted; the catcher takes nothing else.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// "usage: chatkeeper [--headless] [--cnf FILE] [--find-game-folders] [--help] [--version]"
std::string UsageLine();
// The --help text (usage line, options, the settings file's place).
std::string HelpText();
// "chatkeeper <version>"
std::string VersionText();

}  // namespace chatkeeper::app
