// The windows as a module of their own, which the chatscope executable loads
// only when it opens them: the command-line modes start without the widget,
// chart and graphics libraries.
#include "viewer_main.h"

extern "C" __attribute__((visibility("default"))) int chatscope_run_viewer(int argc, char** argv) {
    return chatscope::RunViewer(argc, argv);
}
