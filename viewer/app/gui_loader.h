// Loads the windows module beside the executable and runs the viewer.
#pragma once

namespace chatscope {

// Starts the windows; 1 with a line on stderr when the module cannot be loaded.
int RunViewerModule(int argc, char** argv);

}  // namespace chatscope
