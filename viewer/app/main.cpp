// chatscope: the command-line modes run without a display (and without loading
// the GUI libraries); everything else starts the windows.
#include "command_line.h"
#include "gui_loader.h"

int main(int argc, char** argv) {
    if (auto status = chatscope::RunCommandLine(argc, argv)) return *status;
    return chatscope::RunViewerModule(argc, argv);
}
