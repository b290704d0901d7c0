// chatscope: the command-line modes run without a display and create no
// QApplication; everything else starts the windows.
#include <csignal>

#include "command_line.h"
#include "viewer_main.h"

int main(int argc, char** argv) {
    // A file-size limit makes a write fail (EFBIG), which every save reports
    // and recovers from, instead of killing the viewer in the middle of it.
    std::signal(SIGXFSZ, SIG_IGN);
    if (auto status = chatscope::RunCommandLine(argc, argv)) return *status;
    return chatscope::RunViewer(argc, argv);
}
