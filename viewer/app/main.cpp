// chatscope: the command-line modes run without a display and create no
// QApplication; everything else starts the windows.
#include "command_line.h"
#include "viewer_main.h"

int main(int argc, char** argv) {
    if (auto status = chatscope::RunCommandLine(argc, argv)) return *status;
    return chatscope::RunViewer(argc, argv);
}
