// chatscope: the command-line modes run without a display, create no
// QApplication and load only QtCore; everything else loads the module of the
// windows and starts them.
#include <csignal>

#include "command_line.h"
#include "window_loader.h"

int main(int argc, char** argv) {
    // A file-size limit makes a write fail (EFBIG), which every save reports
    // and recovers from, instead of killing the viewer in the middle of it.
    std::signal(SIGXFSZ, SIG_IGN);
    if (auto status = chatscope::RunCommandLine(argc, argv)) return *status;
    return chatscope::RunViewerFromModule(argc, argv);
}
