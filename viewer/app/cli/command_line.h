// The headless modes of chatscope: --export-html, --stats, --text, --help, --version.
#pragma once

#include <optional>

namespace chatscope {

// Runs a command-line mode and gives its exit status; std::nullopt when the
// arguments ask for the windows (no arguments, a file to load, or Qt's own options).
std::optional<int> RunCommandLine(int argc, char** argv);

}  // namespace chatscope
