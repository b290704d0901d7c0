// Finds and loads the module of the windows (chatscope-window.so) and runs the
// viewer from it: installed, it lies in the program's library folder; in a
// build folder, beside the executable.
#pragma once

namespace chatscope {

// The viewer's exit status, or 1 (with the reason on stderr) when the module
// cannot be loaded.
int RunViewerFromModule(int argc, char** argv);

}  // namespace chatscope
