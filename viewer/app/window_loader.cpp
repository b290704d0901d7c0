#include "window_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace chatscope {
namespace {

constexpr const char* kModuleName = "chatscope-window.so";
constexpr const char* kEntry = "chatscope_run_viewer";

// The folder of the running executable, with its links resolved; empty when unknown.
std::string ExecutableFolder() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return {};
    path.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

int RunViewerFromModule(int argc, char** argv) {
    const std::string folder = ExecutableFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "chatscope: cannot find the folder of the program to load %s\n", kModuleName);
        return 1;
    }
    std::string error;
    // The installed place first (CHATSCOPE_MODULE_FOLDER is relative to the
    // installed executable's folder), then the build folder's.
    for (const std::string& candidate :
         {folder + "/" CHATSCOPE_MODULE_FOLDER "/" + kModuleName, folder + "/" + kModuleName}) {
        if (::access(candidate.c_str(), F_OK) != 0) continue;
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            const char* why = ::dlerror();
            error = why != nullptr ? why : candidate;
            break;
        }
        using Entry = int (*)(int, char**);
        const auto entry = reinterpret_cast<Entry>(::dlsym(module, kEntry));
        if (entry == nullptr) {
            error = candidate + ": no " + kEntry;
            break;
        }
        return entry(argc, argv);  // the module stays loaded until the process ends
    }
    if (error.empty())
        error =
            std::string(kModuleName) + " is neither in " + folder + "/" CHATSCOPE_MODULE_FOLDER + " nor in " + folder;
    std::fprintf(stderr, "chatscope: cannot load the windows: %s\n", error.c_str());
    return 1;
}

}  // namespace chatscope
