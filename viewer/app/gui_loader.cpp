#include "gui_loader.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace chatscope {

namespace {

using RunViewerFunction = int (*)(int, char**);

std::vector<std::filesystem::path> ModuleCandidates() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::filesystem::path dir = self.parent_path();
    // In the build tree the module sits beside the executable; installed, it is
    // in the library folder next to the binary folder.
    return {dir / "chatscope-gui.so", (dir / CHATSCOPE_GUI_MODULE_RELPATH).lexically_normal()};
}

}  // namespace

int RunViewerModule(int argc, char** argv) {
    std::string errors;
    for (const auto& candidate : ModuleCandidates()) {
        std::error_code ec;
        if (!std::filesystem::exists(candidate, ec)) continue;
        void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* why = dlerror();
            errors = why ? why : candidate.string();
            continue;
        }
        auto run = reinterpret_cast<RunViewerFunction>(dlsym(module, "chatscope_run_viewer"));
        if (!run) {
            errors = candidate.string() + ": no entry point";
            continue;
        }
        return run(argc, argv);
    }
    std::fprintf(stderr, "chatscope: cannot load the viewer windows%s%s\n", errors.empty() ? "" : ": ",
                 errors.empty() ? "chatscope-gui.so not found" : errors.c_str());
    return 1;
}

}  // namespace chatscope
