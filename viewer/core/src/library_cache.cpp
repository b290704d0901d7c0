#include "chatscope/library_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "chatscope/paths.h"
#include "fileio/atomic_replace.h"
#include "fileio/posix_io.h"

namespace chatscope {

namespace {

constexpr std::string_view kMagic = "CSLIBC1\n";
constexpr std::size_t kEntryFixedBytes = 4 + 4 * 8;
// Far beyond any folder of archives: a length past it is not ours.
constexpr std::int64_t kMaxCacheBytes = std::int64_t{1} << 30;

std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001b3ull;
    return h;
}

void PutLe(std::string& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Reads little-endian numbers off the front of a byte view; fails once it runs short.
struct Reader {
    std::string_view rest;
    bool ok = true;
    std::uint64_t Le(int bytes) {
        if (rest.size() < static_cast<std::size_t>(bytes)) {
            ok = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= std::uint64_t(static_cast<unsigned char>(rest[i])) << (8 * i);
        rest.remove_prefix(static_cast<std::size_t>(bytes));
        return v;
    }
    std::int64_t I64() { return static_cast<std::int64_t>(Le(8)); }
};

std::string ReadWhole(const std::string& file) {
    const chatlog::fileio::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxCacheBytes) return {};
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    const std::int64_t got = chatlog::fileio::ReadFull(fd.get(), bytes.data(), bytes.size());
    if (got < 0) return {};
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

}  // namespace

std::optional<FileCount> LibraryCache::Find(const std::string& path, const FileStamp& stamp) const {
    const auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.stamp == stamp)) return std::nullopt;
    return it->second.count;
}

void LibraryCache::Put(const std::string& path, const FileStamp& stamp, const FileCount& count) {
    entries_[path] = Entry{stamp, count};
}

bool LibraryCache::Load(const std::string& file) {
    entries_.clear();
    const std::string bytes = ReadWhole(file);
    if (bytes.size() < kMagic.size() + 4 + 8 || !std::string_view(bytes).starts_with(kMagic)) return false;
    const std::string_view body = std::string_view(bytes).substr(0, bytes.size() - 8);
    Reader hash{std::string_view(bytes).substr(body.size())};
    if (hash.Le(8) != Fnv1a(body)) return false;
    Reader in{body.substr(kMagic.size())};
    const std::uint64_t count = in.Le(4);
    if (count > in.rest.size() / kEntryFixedBytes) return false;
    std::unordered_map<std::string, Entry> entries;
    entries.reserve(count);
    for (std::uint64_t i = 0; i < count && in.ok; ++i) {
        const std::uint64_t length = in.Le(4);
        if (length > in.rest.size()) return false;
        std::string path(in.rest.substr(0, length));
        in.rest.remove_prefix(length);
        Entry e;
        e.stamp.size = in.I64();
        e.stamp.mtimeNs = in.I64();
        e.count.lines = in.I64();
        e.count.experience = in.I64();
        entries.emplace(std::move(path), e);
    }
    if (!in.ok || !in.rest.empty()) return false;
    entries_ = std::move(entries);
    return true;
}

bool LibraryCache::Save(const std::string& file) const {
    std::string out(kMagic);
    PutLe(out, entries_.size(), 4);
    for (const auto& [path, e] : entries_) {
        PutLe(out, path.size(), 4);
        out += path;
        for (std::int64_t v : {e.stamp.size, e.stamp.mtimeNs, e.count.lines, e.count.experience})
            PutLe(out, static_cast<std::uint64_t>(v), 8);
    }
    PutLe(out, Fnv1a(out), 8);
    if (!EnsureFolderOf(file)) return false;
    return chatlog::fileio::ReplaceFile(chatlog::fileio::ReplacementTarget(file), out,
                                        chatlog::fileio::Durability::Fast);
}

std::string LibraryCachePath(const std::string& xdgCacheHome, const std::string& home) {
    const std::string base = XdgBaseFolder(xdgCacheHome, home, ".cache");
    return base.empty() ? std::string() : base + "/chatscope/library.cache";
}

}  // namespace chatscope
