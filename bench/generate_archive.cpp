// chatlog-generate: writes a synthetic chat log archive (blocks of a 100-byte
// header and 50 NUL-terminated lines) from a seed, for the sample archive and
// the benchmarks. Every channel, battle and reward messages with the real
// Shift-JIS markers, escape bytes, indented continuation lines and the odd
// over-long line. Same seed, same options: same bytes.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Monster names (Shift-JIS); the last one is longer than the 32-byte name limit.
const char* const kMonsters[] = {
    "\x83S\x83u\x83\x8A\x83\x93",
    "\x83I\x81[\x83N",
    "\x83X\x83P\x83\x8B\x83g\x83\x93",
    "\x83\x8F\x83\x43\x83\x8B\x83h\x83\x89\x83r\x83\x62\x83g",
    "\x83W\x83\x83\x83\x43\x83\x41\x83\x93\x83g\x83o\x83\x62\x83g",
    "\x83\x8A\x83U\x81[\x83h",
    "\x83S\x83u\x83\x8A\x83\x93\x82\xCC\x93\x90\x91\xAF",
    "\x83N\x83\x8D\x83\x45\x83\x89\x81[",
    "\x83{\x83\x80",
    "\x83T\x83n\x83M\x83\x93",
    "\x83g\x83\x93\x83x\x83\x8A",
    "\x83h\x83\x89\x83S\x83\x93\x83t\x83\x89\x83\x43",
    "\x83}\x83\x93\x83h\x83\x89\x83S\x83\x89",
    "\x83\x84\x83O\x81[\x83h",
    "\x83L\x83\x93\x83O\x83N\x83\x8D\x83\x45\x83\x89\x81[\x82\xCC\x97\x63\x92\x8E\x82\xC6\x8C\xC4\x82\xCE\x82\xEA\x82\xE9\x82\xC6\x82\xC4\x82\xE0\x91\xE5\x82\xAB\x82\xC8\x92\x8E",
};

// Item names; the last one is longer than the 64-byte name limit.
const char* const kItems[] = {
    "\x83|\x81[\x83V\x83\x87\x83\x93",
    "\x83G\x81[\x83\x65\x83\x8B",
    "\x83n\x83\x43\x83|\x81[\x83V\x83\x87\x83\x93",
    "\x93\xC5\x8F\xC1\x82\xB5",
    "\x93\x65\x82\xCC\x93\xF7",
    "\x8D\x9C\x82\xAD\x82\xB8",
    "\x83N\x83\x8A\x83X\x83^\x83\x8B",
    "\x83t\x83@\x83\x43\x83\x41\x83N\x83\x8A\x83X\x83^\x83\x8B",
    "\x83\x41\x83\x43\x83X\x83N\x83\x8A\x83X\x83^\x83\x8B",
    "\x93S\x8Dz\x90\xCE",
    "\x93\xBA\x8Dz\x90\xCE",
    "\x97r\x96\xD1",
    "\x83V\x83\x8B\x83N\x82\xCC\x95z",
    "\x83u\x83\x8D\x83\x93\x83Y\x83\x5C\x81[\x83h",
    "\x94\xE7\x82\xCC\x8AZ",
    "\x8F\x62\x90l\x82\xCC\x8B\xE0\x89\xDD",
    "\x82\xC6\x82\xC4\x82\xE0\x92\xB7\x82\xA2\x96\xBC\x91O\x82\xCC\x83\x41\x83\x43\x83\x65\x83\x80\x82\xC5\x98Z\x8F\x5C\x8El\x83o\x83\x43\x83g\x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xB5\x82\xDC\x82\xA4\x93`\x90\xE0\x82\xCC\x8C\x95\x83G\x83N\x83X\x83J\x83\x8A\x83o\x81[",
};

// Combat and magic skills.
const char* const kSkills[] = {
    "\x95\xD0\x8E\xE8\x8C\x95",
    "\x97\xBC\x8E\xE8\x95\x80",
    "\x8Ai\x93\xAC",
    "\x8B|\x8Fp",
    "\x89\xF1\x94\xF0",
    "\x8E\xF3\x82\xAF\x97\xAC\x82\xB5",
    "\x8F\x82",
    "\x90_\x90\xB9\x96\x82\x96@",
    "\x90\xB8\x97\xEC\x96\x82\x96@",
    "\x8B\xAD\x89\xBB\x96\x82\x96@",
};

// Chat lines, with half-width katakana and the three bytes the HTML export escapes.
const char* const kChatTexts[] = {
    "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD\x81I",
    "\x82\xE6\x82\xEB\x82\xB5\x82\xAD\x82\xA8\x8A\xE8\x82\xA2\x82\xB5\x82\xDC\x82\xB7",
    "\x82\xA0\x82\xE8\x82\xAA\x82\xC6\x82\xA4\x81`",
    "\x8D\xA1\x93\xFA\x82\xCD\x82\xC7\x82\xB1\x82\xC9\x8Ds\x82\xAB\x82\xDC\x82\xB7\x82\xA9\x81H",
    "\x82\xBF\x82\xE5\x82\xC1\x82\xC6\x97\xA3\x90\xC8\x82\xB5\x82\xDC\x82\xB7",
    "\x82\xA8\x82\xC2\x82\xA9\x82\xEA\x82\xB3\x82\xDC\x82\xC5\x82\xB5\x82\xBD",
    "\x97\xB9\x89\xF0\x82\xC5\x82\xB7",
    "\x83p\x81[\x83\x65\x83\x42\x95\xE5\x8FW\x92\x86\x82\xC5\x82\xB7",
    "Hello there",
    "lol",
    "5\x95\xAA\x82\xD9\x82\xC7\x91\xD2\x82\xC1\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2",
    "\x93\x8C\x82\xCC\x95\xFB\x82\xC9\x8Ds\x82\xC1\x82\xC4\x82\xDD\x82\xE6\x82\xA4",
    "HP\x82\xAA\x8F\xAD\x82\xC8\x82\xA2\x82\xCC\x82\xC5\x89\xF1\x95\x9C\x82\xA8\x8A\xE8\x82\xA2\x82\xB5\x82\xDC\x82\xB7",
    "\x8E\x9F\x82\xCD\x31\x30\x30\x95\x43\x93|\x82\xBB\x82\xA4",
    "\xB6\xC0\xB6\xC5\x82\xE0\x82\xA0\x82\xE9\x82\xE6",
    "A&B <test> \x22quotes\x22",
};

// Emote endings.
const char* const kEmotes[] = {
    "\x82\xCD\x8E\xE8\x82\xF0\x90U\x82\xC1\x82\xBD\x81\x42",
    "\x82\xCD\x82\xA8\x8E\xAB\x8BV\x82\xF0\x82\xB5\x82\xBD\x81\x42",
    "\x82\xCD\x8A\xEC\x82\xF1\x82\xC5\x82\xA2\x82\xE9\x81\x42",
    "\x82\xCD\x8F\xCE\x82\xC1\x82\xBD\x81\x42",
    "\x82\xCD\x8D\xC0\x82\xC1\x82\xBD\x81\x42",
};

// System messages.
const char* const kSystemTexts[] = {
    "\x91\x95\x94\xF5\x82\xF0\x95\xCF\x8DX\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42",
    "\x82\xB1\x82\xB1\x82\xC5\x82\xCD\x8Eg\x82\xA6\x82\xDC\x82\xB9\x82\xF1\x81\x42",
    "\x83\x43\x83\x93\x83x\x83\x93\x83g\x83\x8A\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7\x81\x42",
    "\x83\x8D\x83O\x83\x41\x83\x45\x83g\x82\xDC\x82\xC5\x82\xA0\x82\xC6\x33\x30\x95\x62",
    "\x82\xBB\x82\xCC\x8F\xEA\x8F\x8A\x82\xC9\x82\xCD\x88\xDA\x93\xAE\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42",
};

// Online-service messages (type 18).
const char* const kServiceTexts[] = {
    "\x81yGM\x81z\x82\xDC\x82\xE0\x82\xC8\x82\xAD\x83\x81\x83\x93\x83\x65\x83i\x83\x93\x83X\x82\xF0\x8AJ\x8En\x82\xB5\x82\xDC\x82\xB7\x81\x42",
    "\x81y\x82\xA8\x92m\x82\xE7\x82\xB9\x81z\x83\x43\x83x\x83\x93\x83g\x8AJ\x8D\xC3\x92\x86\x82\xC5\x82\xB7\x81I",
    "\x83T\x81[\x83o\x81[\x82\xCC\x8D\xAC\x8EG\x82\xAA\x97\x5C\x91z\x82\xB3\x82\xEA\x82\xDC\x82\xB7\x81\x42",
};

// Search comments (type 204).
const char* const kSearchTexts[] = {
    "\x83\x8C\x83x\x83\x8B\x8F\xE3\x82\xB0\x8E\xE8\x93`\x82\xA2\x82\xDC\x82\xB7",
    "\x8D\x87\x90\xAC\x91\x66\x8D\xDE\x94\x83\x82\xA2\x8E\xE6\x82\xE8\x82\xDC\x82\xB7",
    "\x88\xEA\x8F\x8F\x82\xC9\x96`\x8C\xAF\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x82\xA9\x81H",
    "\x82\xBD\x82\xBE\x82\xA2\x82\xDC\x8Bx\x8C\x65\x92\x86",
};

// Linkshell messages (type 205).
const char* const kLsTexts[] = {
    "\x81y\x82\xA8\x92m\x82\xE7\x82\xB9\x81z\x93y\x97j21\x8E\x9E\x82\xA9\x82\xE7\x8E\xEB\x82\xE8\x82\xC9\x8Ds\x82\xAB\x82\xDC\x82\xB7",
    "\x83\x81\x83\x93\x83o\x81[\x95\xE5\x8FW\x92\x86\x81I",
    "\x8D\xA1\x8FT\x82\xCC\x83\x43\x83x\x83\x93\x83g\x82\xCD\x92\x86\x8E~\x82\xC5\x82\xB7",
};

// Message templates: %P player, %Q party member, %M monster, %I item,
// %S skill, %N number, %C small number, %R search text.
constexpr const char* kAttack = "%P\x82\xCC\x8DU\x8C\x82\x81\xA8%M\x82\xC9%N\x83_\x83\x81\x81[\x83W\x81\x42";
constexpr const char* kMiss = "%P\x82\xCC\x8DU\x8C\x82\x81\xA8%M\x82\xC9\x83~\x83X\x81\x42";
constexpr const char* kHeal =
    "%P\x82\xCC\x83P\x83\x41\x83\x8B\x81\xA8%Q\x82\xCD\x81\x41%N\x89\xF1\x95\x9C\x82\xB5\x82\xBD\x81\x42";
constexpr const char* kPartyAttack = "%Q\x82\xCC\x8DU\x8C\x82\x81\xA8%M\x82\xC9%N\x83_\x83\x81\x81[\x83W\x81\x42";
constexpr const char* kDamageTaken = "%M\x82\xCC\x8DU\x8C\x82\x81\xA8%P\x82\xC9%N\x83_\x83\x81\x81[\x83W\x81\x42";
constexpr const char* kHealed =
    "%Q\x82\xCC\x83P\x83\x41\x83\x8B\x81\xA8%P\x82\xCD\x81\x41%N\x89\xF1\x95\x9C\x82\xB5\x82\xBD\x81\x42";
constexpr const char* kPartyDamage = "%M\x82\xCC\x8DU\x8C\x82\x81\xA8%Q\x82\xC9%N\x83_\x83\x81\x81[\x83W\x81\x42";
constexpr const char* kDefeat = "%P\x82\xCD\x81\x41%M\x82\xF0\x93|\x82\xB5\x82\xBD\x81\x42";
constexpr const char* kMonsterFell = "%M\x82\xCD\x93|\x82\xEA\x82\xBD\x81\x42";
constexpr const char* kPartyDefeat = "%Q\x82\xCD\x81\x41%M\x82\xF0\x93|\x82\xB5\x82\xBD\x81\x42";
constexpr const char* kKnockedOut = "%P\x82\xCD\x93|\x82\xEA\x82\xBD\x81\x42";
constexpr const char* kPartyKnockedOut = "%Q\x82\xCD\x93|\x82\xEA\x82\xBD\x81\x42";
constexpr const char* kItemObtained =
    "%P\x82\xCD\x81\x41\x1E\x02%I\x1E\x01\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD\x81I";
constexpr const char* kItemPartner = "%Q\x82\xCD\x81\x41%I\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD\x81I";
constexpr const char* kItemNoComma = "%M\x82\xCD%I\x82\xF0\x8E\x9D\x82\xC1\x82\xC4\x82\xA2\x82\xBD\x81\x42";
constexpr const char* kItemLost = "%I\x82\xF0\x8E\xE8\x95\xFA\x82\xB5\x82\xBD\x81\x41\x8E\x63\x94O\x81\x42";
constexpr const char* kMoney = "%P\x82\xCD\x81\x41%N\x83M\x83\x8B\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD\x81I";
constexpr const char* kExperience =
    "%P\x82\xCD\x81\x41%N\x83|\x83\x43\x83\x93\x83g\x82\xCC\x8Co\x8C\xB1\x92l\x82\xF0\x93\xBE\x82\xBD\x81\x42";
constexpr const char* kExperienceChain =
    "%P\x82\xCD\x81\x41%N\x83|\x83\x43\x83\x93\x83g\x82\xCC\x8Co\x8C\xB1\x92l\x82\xF0\x93\xBE\x82\xBD\x81i\x83`\x83\x46\x81[\x83\x93%C\x81j\x81\x42";
constexpr const char* kSkillUp = "%P\x82\xCC%S\x83X\x83L\x83\x8B\x82\xAA\x30.%C\x83\x41\x83\x62\x83v\x81I";
constexpr const char* kLevelUp =
    "%P\x82\xCC\x83\x8C\x83x\x83\x8B\x82\xAA%N\x82\xC9\x8F\xE3\x82\xAA\x82\xC1\x82\xBD\x81I";
constexpr const char* kLevelDown =
    "%P\x82\xCC\x83\x8C\x83x\x83\x8B\x82\xAA%N\x82\xC9\x89\xBA\x82\xAA\x82\xC1\x82\xBD\x81\x42";
constexpr const char* kLearned = "%P\x82\xCD\x90V\x82\xB5\x82\xA2\x96\x82\x96@\x82\xF0\x8Ao\x82\xA6\x82\xBD\x81I";
constexpr const char* kSearchComment = "%P : %R";
// Player names: plain letters, some with brackets, one longer than the
// 16-byte partner name limit.
const char* const kPlayers[] = {
    "Aldo",       "Brynn",    "Cassia",
    "Dorian",     "Elowen",   "Fenris",
    "Gilda",      "Hector",   "Isolde",
    "Jorund",     "Kaia",     "Lucan",
    "Mirela",     "Nestor",   "Odile",
    "Perrin",     "Quilla",   "Rurik",
    "Sabine",     "Tobin",    "Ulla",
    "Varek",      "Wynne",    "Xander",
    "Yvaine",     "Zoltan",   "Anselm",
    "Beatrix",    "Corwin",   "Delphine",
    "Eamon",      "Fiora",    "[GM]Ravel",
    "Halvard",    "Ingrid",   "Jasper",
    "Kestrel",    "Lisette",  "Magnus",
    "Nadira",     "Oswin",    "Primrose",
    "Quentin",    "Rosalind", "Silas",
    "Thessaly",   "Ulric",    "Vesper",
    "Wilhelmina", "Yorick",   "Maximilianfrederick",
};
constexpr std::size_t kOwnPlayers = 4;  // the first names play the "own character"

template <typename T, std::size_t N> constexpr std::size_t Count(const T (&)[N]) { return N; }

// A small, fully specified generator (splitmix64), so that the same seed gives
// the same archive with every standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }
    bool OneIn(std::uint32_t n) { return Below(n) == 0; }
    template <typename T, std::size_t N> const T& Pick(const T (&a)[N]) { return a[Below(N)]; }

private:
    std::uint64_t state_;
};

struct Line {
    std::uint8_t type = 0;
    std::uint32_t colour = 0;
    bool indent = false;
    std::string text;
};

class ArchiveWriter {
public:
    ArchiveWriter(std::FILE* out, std::uint64_t seed) : out_(out), rng_(seed) {}

    // Writes one block; gives its size in bytes.
    std::size_t WriteBlock() {
        std::string block;
        block.reserve(8192);
        // Header: word 0 is 0; the other words carry values the viewer never reads.
        block.append(2, '\0');
        for (int w = 1; w < 50; ++w) {
            const std::uint32_t v = rng_.Below(65536);
            block.push_back(static_cast<char>(v & 0xFF));
            block.push_back(static_cast<char>(v >> 8));
        }
        for (int i = 0; i < 50; ++i) {
            if (pending_.empty()) MakeMessage();
            Line line = std::move(pending_.front());
            pending_.erase(pending_.begin());
            AppendLine(block, line);
            block.push_back('\0');
        }
        std::fwrite(block.data(), 1, block.size(), out_);
        ++blocks_;
        return block.size();
    }

private:
    // Expands the %-placeholders of a template.
    std::string Fill(const char* tpl) {
        std::string s;
        for (const char* p = tpl; *p; ++p) {
            if (*p != '%' || !p[1]) {
                s.push_back(*p);
                continue;
            }
            switch (*++p) {
            case 'P': s += kPlayers[rng_.Below(kOwnPlayers)]; break;
            case 'Q': s += kPlayers[kOwnPlayers + rng_.Below(Count(kPlayers) - kOwnPlayers)]; break;
            case 'M': s += rng_.Pick(kMonsters); break;
            case 'I': s += rng_.Pick(kItems); break;
            case 'S': s += rng_.Pick(kSkills); break;
            case 'N': s += std::to_string(Number()); break;
            case 'C': s += std::to_string(1 + rng_.Below(9)); break;
            case 'R': s += rng_.Pick(kSearchTexts); break;
            default:
                s.push_back('%');
                s.push_back(*p);
                break;
            }
        }
        return s;
    }

    std::uint32_t Number() {
        switch (rng_.Below(10)) {
        case 0: return rng_.Below(10);
        case 1: return 300 + rng_.Below(700);
        default: return 1 + rng_.Below(300);
        }
    }

    std::string ChatText() {
        std::string t = rng_.Pick(kChatTexts);
        // Auto-translated phrases come wrapped in bytes outside Shift-JIS.
        if (rng_.OneIn(25)) t = "\xEF\x27" + std::string(rng_.Pick(kMonsters)) + "\xEF\x28 " + t;
        return t;
    }

    void Push(std::uint8_t type, std::uint32_t colour, std::string text, bool indent = false) {
        pending_.push_back(Line{type, colour, indent, std::move(text)});
    }

    // A chat message, sometimes continued on indented lines.
    void Chat(std::uint8_t type, std::uint32_t colour, std::string text) {
        Push(type, colour, std::move(text));
        if (rng_.OneIn(12)) {
            const int more = 1 + static_cast<int>(rng_.Below(2));
            for (int i = 0; i < more; ++i) Push(type, colour, ChatText(), true);
        }
    }

    void MakeMessage() {
        const std::string player = kPlayers[rng_.Below(kOwnPlayers)];
        const std::string other = kPlayers[kOwnPlayers + rng_.Below(Count(kPlayers) - kOwnPlayers)];
        const std::uint32_t r = rng_.Below(1000);
        if (r < 150) return Push(20, 0x00A0C8A0, Fill(kAttack));
        if (r < 190) return Push(21, 0x00A0C8A0, Fill(kMiss));
        if (r < 270) return Push(28, 0x00C87850, Fill(kDamageTaken));
        if (r < 330) return Push(25, 0x0090B090, Fill(kPartyAttack));
        if (r < 360) return Push(32, 0x00B07050, Fill(kPartyDamage));
        if (r < 380) return Push(23, 0x0080C0FF, Fill(kHeal));
        if (r < 400) return Push(31, 0x0080C0FF, Fill(kHealed));
        if (r < 420) return Push(36, 0x00FFFFFF, Fill(rng_.OneIn(3) ? kMonsterFell : kDefeat));
        if (r < 430) return Push(37, 0x00E0E0E0, Fill(kPartyDefeat));
        if (r < 433) return Push(38, 0x00FF4040, Fill(kKnockedOut));
        if (r < 436) return Push(39, 0x00FF6060, Fill(kPartyKnockedOut));
        if (r < 466) {
            const std::uint32_t k = rng_.Below(10);
            const char* tpl = k < 6 ? kItemObtained : k < 8 ? kItemPartner : k < 9 ? kItemNoComma : kItemLost;
            return Push(127, 0x0060F0F0, Fill(tpl));
        }
        if (r < 476) return Push(127, 0x0060F0F0, Fill(kMoney));
        if (r < 496) return Push(131, 0x0060F0F0, Fill(rng_.OneIn(4) ? kExperienceChain : kExperience));
        if (r < 506) return Push(129, 0x00F0F060, Fill(kSkillUp));
        if (r < 511) {
            const std::uint32_t k = rng_.Below(4);
            return Push(191, 0x00F0F060, Fill(k < 2 ? kLevelUp : k < 3 ? kLevelDown : kLearned));
        }
        if (r < 514) return Push(18, 0x00FF80FF, rng_.Pick(kServiceTexts));
        if (r < 517) return Push(204, 0x00C0C0C0, Fill(kSearchComment));
        if (r < 520) return Push(205, 0x0080FF80, rng_.Pick(kLsTexts));
        // Chat channels: 1 say, 2/3 shout, 4 tell out, 12 tell in, 5 party,
        // 6 linkshell, 7 emote, 8 etc, 9-15 the echoes of the own character.
        if (r < 620) return Chat(1, 0x00FFFFFF, other + " : " + ChatText());
        if (r < 640) return Chat(rng_.OneIn(2) ? 2 : 3, 0x00FFA080, other + " : " + ChatText());
        if (r < 660) return Chat(4, 0x00FF80FF, ">>" + other + " : " + ChatText());
        if (r < 680) return Chat(12, 0x00FF80FF, other + ">> " + ChatText());
        if (r < 760) return Chat(5, 0x0080E0FF, "(" + other + ") " + ChatText());
        if (r < 820) return Chat(6, 0x0080FF80, "<" + other + "> " + ChatText());
        if (r < 830) return Chat(7, 0x00E0E0A0, other + rng_.Pick(kEmotes));
        if (r < 850) return Chat(9, 0x00FFFFFF, player + " : " + ChatText());
        if (r < 855) return Chat(rng_.OneIn(2) ? 10 : 11, 0x00FFA080, player + " : " + ChatText());
        if (r < 880) return Chat(13, 0x0080E0FF, "(" + player + ") " + ChatText());
        if (r < 900) return Chat(14, 0x0080FF80, "<" + player + "> " + ChatText());
        if (r < 905) return Chat(15, 0x00E0E0A0, player + rng_.Pick(kEmotes));
        if (r < 925) return Push(8, 0x00C0C0C0, rng_.Pick(kSystemTexts));
        if (r < 940) return Push(0, 0x00C0C0C0, rng_.Pick(kSystemTexts));
        if (r < 995) {
            static constexpr std::uint8_t kOthers[] = {22, 24, 26, 29, 30, 33, 121, 122, 144, 200};
            return Push(kOthers[rng_.Below(Count(kOthers))], 0x00B0B0B0, Fill(kAttack));
        }
        // Now and then a linkshell line longer than the reader's line buffer.
        std::string longText = "<" + other + "> ";
        while (longText.size() < 1100) longText += rng_.Pick(kChatTexts);
        Push(6, 0x0080FF80, longText);
    }

    // Writes the prefix and text of one line, with the escape sequences the
    // game puts into its lines.
    void AppendLine(std::string& out, const Line& line) {
        char prefix[64];
        // Field 4 keeps the game's top byte now and then; the viewer ignores it.
        const std::uint32_t colour = line.colour | (rng_.OneIn(50) ? 0xFF000000u : 0u);
        std::snprintf(prefix, sizeof prefix, "%02x,%02x,%02x,%08x,%08x,%08x,%04x,%02x,%02x,%02x,%02x,",
                      unsigned(line.type), unsigned(rng_.Below(4)), 0u, unsigned(colour),
                      unsigned(blocks_ * 50 + rng_.Below(50)), 0u, unsigned(rng_.Below(0x10000)), 1u, 0u, 0u,
                      line.indent ? 1u : 0u);
        std::string p(prefix);
        // Rarely an escape pair inside the prefix itself.
        if (rng_.OneIn(500)) p.insert(10, "\x1E\x01");
        if (rng_.OneIn(3) && !line.indent) p.append("\x1F\x79");  // colour code before the text
        out += p;
        out += line.text;
        if (rng_.OneIn(4)) out += "\x7F\x31";  // end-of-message marker
    }

    std::FILE* out_;
    Random rng_;
    std::vector<Line> pending_;
    std::uint64_t blocks_ = 0;
};

void Usage(std::FILE* to) {
    std::fputs(
        "Usage: chatlog-generate [--blocks N | --records N | --megabytes N] [--seed S] OUT\n"
        "Writes a synthetic chat log archive to OUT (\"-\" for standard output);\n"
        "--records N writes whole blocks, at least N lines; --megabytes N at least N MB.\n"
        "Default: 40 blocks (2000 lines), seed 1.\n",
        to);
}

bool ParseNumber(const char* s, std::uint64_t& v) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long x = std::strtoull(s, &end, 10);
    if (errno || !end || *end || end == s || *s == '-') return false;
    v = x;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t blocks = 40, seed = 1, megabytes = 0;
    std::string outPath;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](std::uint64_t& into) {
            if (i + 1 >= argc || !ParseNumber(argv[++i], into)) {
                std::fprintf(stderr, "chatlog-generate: %s needs a number\n", argv[i - 1]);
                std::exit(2);
            }
        };
        if (a == "--blocks") {
            value(blocks);
        } else if (a == "--records") {
            std::uint64_t records = 0;
            value(records);
            blocks = (records + 49) / 50;
        } else if (a == "--megabytes") {
            value(megabytes);
        } else if (a == "--seed") {
            value(seed);
        } else if (a == "--help") {
            Usage(stdout);
            return 0;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "chatlog-generate: unknown option %s\n", argv[i]);
            Usage(stderr);
            return 2;
        } else if (outPath.empty()) {
            outPath = a;
        } else {
            Usage(stderr);
            return 2;
        }
    }
    if (outPath.empty()) {
        Usage(stderr);
        return 2;
    }
    std::FILE* out = outPath == "-" ? stdout : std::fopen(outPath.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "chatlog-generate: cannot write %s: %s\n", outPath.c_str(), std::strerror(errno));
        return 1;
    }
    ArchiveWriter writer(out, seed);
    if (megabytes > 0) {
        const std::uint64_t target = megabytes * 1000 * 1000;
        for (std::uint64_t written = 0; written < target;) written += writer.WriteBlock();
    } else {
        for (std::uint64_t b = 0; b < blocks; ++b) writer.WriteBlock();
    }
    const bool ok = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout && std::fclose(out) != 0) return 1;
    if (!ok) {
        std::fprintf(stderr, "chatlog-generate: write error on %s\n", outPath.c_str());
        return 1;
    }
    return 0;
}
