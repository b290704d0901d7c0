// Entry point of the windows module, looked up by the chatscope executable.
#include "viewer_main.h"

extern "C" __attribute__((visibility("default"))) int chatscope_run_viewer(int argc, char** argv) {
    return chatscope::RunViewer(argc, argv);
}
