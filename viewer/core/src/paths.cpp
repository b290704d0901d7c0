#include "chatscope/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "fileio/posix_io.h"
#include "fileio/settings_place.h"

namespace chatscope {

namespace {

std::size_t LastComponentStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

std::size_t ExtensionStart(const std::string& path) {
    const std::size_t start = LastComponentStart(path);
    const std::size_t dot = path.find_last_of('.');
    return dot == std::string::npos || dot < start ? std::string::npos : dot;
}

}  // namespace

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const std::size_t dot = ExtensionStart(path);
    return (dot == std::string::npos ? path : path.substr(0, dot)) + extension;
}

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = ExtensionStart(path);
    if (dot == std::string::npos) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string XdgBaseFolder(const std::string& variable, const std::string& home, std::string_view underHome) {
    std::string base;
    if (!variable.empty() && variable.front() == '/')
        base = variable;
    else if (!home.empty())
        base = home + "/" + std::string(underHome);
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base;
}

SettingsPaths LocateSettingsFiles(const SettingsLocation& where) {
    // The program has no extension to replace: the endings are appended.
    SettingsPaths beside{where.executablePath + ".cnf", where.executablePath + ".flt"};
    const chatlog::fileio::ProgramFiles program{where.executablePath, where.fileExists, where.folderWritable};
    if (chatlog::fileio::KeepsSettingsBeside(program, {beside.settingsFile, beside.filterFile})) return beside;

    const std::string base = XdgBaseFolder(where.xdgConfigHome, where.home, ".config");
    if (base.empty()) return beside;
    const std::string name = where.executablePath.substr(LastComponentStart(where.executablePath));
    const std::string folder = base + "/chatscope/" + name;
    return {folder + ".cnf", folder + ".flt"};
}

std::string CurrentExecutablePath(const std::string& fallback) {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) return fallback;
    return self.string();
}

SettingsPaths LocateSettingsFilesFor(const std::string& executablePath) {
    chatlog::fileio::ProgramFiles program = chatlog::fileio::RealProgramFiles(executablePath);
    SettingsLocation where;
    where.executablePath = executablePath;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) where.xdgConfigHome = xdg;
    if (const char* home = std::getenv("HOME")) where.home = home;
    where.fileExists = std::move(program.fileExists);
    where.folderWritable = std::move(program.folderWritable);
    return LocateSettingsFiles(where);
}

bool EnsureFolderOf(const std::string& file) {
    const std::string folder = chatlog::fileio::FolderOf(file);
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    std::filesystem::create_directories(folder, ec);
    if (ec) return false;
    ::chmod(folder.c_str(), 0700);
    return true;
}

}  // namespace chatscope
