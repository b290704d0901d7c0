// The document's parts on their own: the line store, flat line offsets, the
// edit history and the steps within a line's text.
#include <QtTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "document/block_list.h"
#include "document/edit_history.h"
#include "document/large_pages.h"
#include "document/line_offsets.h"
#include "document/line_store.h"
#include "document/line_text_ops.h"

using namespace chatscope;

namespace {

// Line starts counted from scratch, for comparing with offsets kept up to date.
std::vector<qint64> FreshStarts(const LineStore& store) {
    std::vector<qint64> starts{0};
    for (int line = 0; line < store.Count(); ++line) starts.push_back(starts.back() + store.Length(line) + 1);
    return starts;
}

std::vector<qint64> Starts(const LineOffsets& offsets, int count) {
    std::vector<qint64> starts;
    for (int line = 0; line <= count; ++line) starts.push_back(offsets.Start(line));
    return starts;
}

EditStep StepAt(int first) {
    EditStep step;
    step.first = first;
    return step;
}

}  // namespace

class TestDocumentParts : public QObject {
    Q_OBJECT
private slots:
    void storeKeepsLinesAcrossChunks();
    void storeSplicesEditedLines();
    void storeContentGivesOneRunPerLine();
    void blockListFollowsAVector();
    void largeBlocksNeverOverlap();
    void offsetsFollowSplicedLines();
    void historyUndoRedoAndLimit();
    void splitLinesAtEveryBreak();
    void caretStepsOverSurrogatePairsAndWords();
};

void TestDocumentParts::storeKeepsLinesAcrossChunks() {
    LineStore store;
    QVERIFY(store.Empty());
    QCOMPARE(store.Count(), 1);  // the empty start line
    QCOMPARE(store.Text(0), QString());
    QCOMPARE(store.Colour(0), kDefaultTextColour);

    // Lines of 3 MB: the third no longer fits the first 8 MB chunk; one larger
    // than a chunk gets a chunk of its own.
    const std::string big(std::size_t{3} << 20, 'a');
    const std::string huge((std::size_t{8} << 20) + 5, 'b');
    store.Append(big, 0x01000001);  // the high byte is no part of a colour
    store.Append(big, 0x2);
    store.Append("x\x83\x5c", 0x3);  // x and a two-byte character
    store.Append(big, 0x4);
    store.Append(huge, 0x5);
    store.Append("", 0x6);
    QCOMPARE(store.Count(), 6);
    QCOMPARE(store.Colour(0), 0x000001u);
    QCOMPARE(store.Bytes(*store.Rec(3)), std::string_view(big));
    QCOMPARE(store.Bytes(*store.Rec(4)), std::string_view(huge));
    QCOMPARE(store.Rec(3)->chunk, 1u);
    QCOMPARE(store.Rec(4)->chunk, 2u);
    QCOMPARE(store.Length(2), 2);
    QCOMPARE(store.Text(5), QString());
    QCOMPARE(store.MaxBytes(), static_cast<std::uint32_t>(huge.size()));
    QVERIFY(!store.Rec(-1) && !store.Rec(6));

    store.Release();
    QVERIFY(store.Empty());
    QCOMPARE(store.MaxBytes(), 0u);
    store.Append("again", 0x7);
    QCOMPARE(store.Text(0), QStringLiteral("again"));
}

void TestDocumentParts::storeSplicesEditedLines() {
    LineStore store;
    for (const char* s : {"l0", "l1", "l2", "l3"}) store.Append(s, 0x10);
    const std::vector<LineRec> old = store.Records(1, 2);

    // Two lines become three, then the three become one, then the old two return.
    std::vector<LineRec> three = {store.EditedLine(QStringLiteral("a"), 0x20),
                                  store.EditedLine(QStringLiteral("bb"), 0x21),
                                  store.EditedLine(QString(40, QLatin1Char('c')), 0x22)};
    store.Splice(1, 2, three);
    QCOMPARE(store.Count(), 5);
    QCOMPARE(store.Text(1), QStringLiteral("a"));
    QCOMPARE(store.Length(2), 2);
    QCOMPARE(store.Colour(3), 0x22u);
    QCOMPARE(store.Text(4), QStringLiteral("l3"));
    QCOMPARE(store.MaxBytes(), 80u);  // edited lines count two bytes a character

    store.Splice(1, 3, {store.EditedLine(QStringLiteral("one"), 0x30)});
    QCOMPARE(store.Count(), 3);
    QCOMPARE(store.Text(1), QStringLiteral("one"));
    QCOMPARE(store.Text(2), QStringLiteral("l3"));

    store.Splice(1, 1, old);
    QCOMPARE(store.Count(), 4);
    for (int i = 0; i < 4; ++i) QCOMPARE(store.Text(i), QStringLiteral("l%1").arg(i));
}

void TestDocumentParts::storeContentGivesOneRunPerLine() {
    LineStore store;
    store.Append("raw", 0x11);
    store.Append("", 0x12);
    store.Splice(1, 1, {store.EditedLine(QStringLiteral("ed"), 0x13)});
    store.Append("", 0x14);
    const LineStoreContent content(store);
    QCOMPARE(content.LineCount(), 3);

    std::vector<TextRun> runs = {TextRun{}};
    content.LineRuns(0, runs);
    QCOMPARE(runs.size(), std::size_t{1});
    QVERIFY(!runs[0].isText);
    QCOMPARE(runs[0].bytes, std::string_view("raw"));
    QCOMPARE(runs[0].colour, 0x11u);
    content.LineRuns(1, runs);
    QCOMPARE(runs.size(), std::size_t{1});
    QVERIFY(runs[0].isText);
    QCOMPARE(runs[0].text.toString(), QStringLiteral("ed"));
    content.LineRuns(2, runs);
    QVERIFY(runs.empty());
    QCOMPARE(content.EmptyLineColour(2), 0x14u);
    content.LineRuns(3, runs);
    QVERIFY(runs.empty());
}

void TestDocumentParts::blockListFollowsAVector() {
    // Random pushes, splices (small and large, anywhere) and clears on blocks of
    // 8 against a plain vector; a shared copy taken on the way keeps its items.
    constexpr int kBlock = 8;
    BlockList<int, kBlock> list;
    std::vector<int> plain;
    std::mt19937 random(7);
    int next = 0;
    auto below = [&](int n) { return n <= 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 2000; ++round) {
        const auto shared = list.Share();
        const std::vector<int> sharedItems = plain;
        if (below(300) == 0) {  // emptied to be filled again
            list.Clear();
            plain.clear();
        } else if (below(4) == 0) {
            list.PushBack(next);
            plain.push_back(next++);
        } else {
            const int first = below(static_cast<int>(plain.size()) + 1);
            const int big = below(6) == 0 ? 40 : 3;
            const int count = below(std::min(big, static_cast<int>(plain.size()) - first) + 1);
            std::vector<int> items(static_cast<std::size_t>(below(big + 1)));
            for (int& item : items) item = next++;
            list.Splice(first, count, items);
            plain.erase(plain.begin() + first, plain.begin() + first + count);
            plain.insert(plain.begin() + first, items.begin(), items.end());
        }
        QCOMPARE(list.Size(), static_cast<int>(plain.size()));
        std::vector<int> seen, viaIndex;
        list.ForEach(0, list.Size(), [&](int i, int item) {
            seen.push_back(item);
            viaIndex.push_back(list[i]);
            return true;
        });
        QCOMPARE(seen, plain);
        QCOMPARE(viaIndex, plain);
        // Blocks stay between a quarter and twice their size (the last may be smaller).
        for (int b = 0; b < list.BlockCount(); ++b) {
            const int size = static_cast<int>(list.BlockAt(b).size());
            QVERIFY(size <= 2 * kBlock);
            QVERIFY(size >= (b + 1 < list.BlockCount() ? kBlock / 4 : 1));
            QCOMPARE(list.BlockStart(b + 1) - list.BlockStart(b), size);
        }
        std::vector<int> frozen;
        for (const auto& block : shared) frozen.insert(frozen.end(), block->begin(), block->end());
        QCOMPARE(frozen, sharedItems);
    }
    // A walk stops when asked; a range past the end visits nothing.
    int visited = 0;
    list.ForEach(1, list.Size(), [&](int, int) { return ++visited < 3; });
    QCOMPARE(visited, 3);
    list.ForEach(list.Size(), 5, [&](int, int) { return ++visited > 0; });
    QCOMPARE(visited, 3);
}

void TestDocumentParts::largeBlocksNeverOverlap() {
    // Blocks of every size the document asks for (heap, huge-page pieces, whole
    // mappings), each filled with its own byte; freed ones are handed out again.
    std::mt19937 random(3);
    struct Held {
        char* p;
        std::size_t bytes;
        char mark;
    };
    std::vector<Held> held;
    auto take = [&] {
        const std::size_t bytes = std::size_t{1} << (random() % 22) | random() % 4096;
        Held h{static_cast<char*>(AllocateLarge(bytes)), bytes, static_cast<char>(random())};
        std::fill(h.p, h.p + bytes, h.mark);
        held.push_back(h);
    };
    for (int round = 0; round < 6; ++round) {
        while (held.size() < 150) take();
        for (const Held& h : held) QVERIFY(std::all_of(h.p, h.p + h.bytes, [&](char c) { return c == h.mark; }));
        std::shuffle(held.begin(), held.end(), random);
        for (std::size_t i = 0; i < held.size() / 2; ++i) FreeLarge(held[i].p, held[i].bytes);
        held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(held.size() / 2));
    }
    for (const Held& h : held) FreeLarge(h.p, h.bytes);
}

void TestDocumentParts::offsetsFollowSplicedLines() {
    LineStore store;
    LineOffsets offsets;
    offsets.Update(store);
    QCOMPARE(offsets.End(), 1);  // one empty line: no characters
    QCOMPARE(offsets.LineAt(0), 0);

    for (const char* s : {"ab", "", "\x93\xfa\x96\x7b", "xyz"}) store.Append(s, 0);
    offsets.Clear();
    offsets.Update(store);
    QCOMPARE(Starts(offsets, 4), (std::vector<qint64>{0, 3, 4, 7, 11}));
    QCOMPARE(offsets.LineAt(2), 0);  // the line break belongs to its line
    QCOMPARE(offsets.LineAt(3), 1);
    QCOMPARE(offsets.LineAt(4), 2);
    QCOMPARE(offsets.LineAt(10), 3);

    // Random splices (same line count, more lines, fewer lines; a few lines or
    // thousands, splitting and merging blocks of lengths) keep every start and
    // the line of every offset around each line break equal to a count from scratch.
    for (int i = 0; i < 3000; ++i) store.Append(std::string(static_cast<std::size_t>(i % 11), 'a'), 0);
    offsets.Update(store);
    std::mt19937 random(9);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 150; ++round) {
        const int count = store.Count();
        const int first = below(count);
        const int most = below(8) == 0 ? 2500 : 3;
        const int removed = 1 + below(std::min(most, count - first));
        const int added = 1 + below(most);
        std::vector<LineRec> records;
        for (int i = 0; i < added; ++i) records.push_back(store.EditedLine(QString(below(7), QLatin1Char('e')), 0));
        store.Splice(first, removed, records);
        offsets.Splice(first, removed, added, store);
        const std::vector<qint64> fresh = FreshStarts(store);
        QCOMPARE(Starts(offsets, store.Count()), fresh);
        for (int line = 0; line < store.Count(); ++line) {
            QCOMPARE(offsets.LineAt(fresh[static_cast<std::size_t>(line)]), line);
            QCOMPARE(offsets.LineAt(fresh[static_cast<std::size_t>(line) + 1] - 1), line);  // its break
        }
    }
    QCOMPARE(offsets.LineAt(offsets.End() + 5), store.Count() - 1);
    // Offsets never built stay unbuilt through a splice and are built when asked.
    LineOffsets unbuilt;
    store.Splice(0, 1, {store.EditedLine(QStringLiteral("new"), 0)});
    unbuilt.Splice(0, 1, 1, store);
    unbuilt.Update(store);
    QCOMPARE(Starts(unbuilt, store.Count()), FreshStarts(store));
}

void TestDocumentParts::historyUndoRedoAndLimit() {
    EditHistory history;
    QVERIFY(!history.Undo());
    QVERIFY(!history.Redo());

    for (int i = 0; i < 205; ++i) QCOMPARE(history.Record(StepAt(i)).first, i);
    // Only the last 200 edits can be undone, newest first.
    for (int i = 204; i >= 5; --i) {
        const EditStep* step = history.Undo();
        QVERIFY(step);
        QCOMPARE(step->first, i);
    }
    QVERIFY(!history.Undo());

    QCOMPARE(history.Redo()->first, 5);
    QCOMPARE(history.Redo()->first, 6);
    QCOMPARE(history.Undo()->first, 6);
    // A new edit forgets what could have been redone.
    history.Record(StepAt(99));
    QVERIFY(!history.Redo());
    QCOMPARE(history.Undo()->first, 99);
    QCOMPARE(history.Undo()->first, 5);

    history.Clear();
    QVERIFY(!history.Undo());
    QVERIFY(!history.Redo());
}

void TestDocumentParts::splitLinesAtEveryBreak() {
    QCOMPARE(SplitLines({}), QStringList{QString()});
    QCOMPARE(SplitLines(QStringLiteral("plain")), QStringList{QStringLiteral("plain")});
    QCOMPARE(SplitLines(QStringLiteral("a\r\nb\rc\nd") + QChar(QChar::ParagraphSeparator) + QStringLiteral("e")),
             (QStringList{"a", "b", "c", "d", "e"}));
    // CR LF is one break, LF CR two; a break at the end starts an empty line.
    QCOMPARE(SplitLines(QStringLiteral("a\n\rb\n")), (QStringList{"a", "", "b", ""}));
}

void TestDocumentParts::caretStepsOverSurrogatePairsAndWords() {
    const QString pair = QString::fromUcs4(U"\U00020B9F");  // one character, two QChars
    const QString t = QStringLiteral("a") + pair + QStringLiteral("b");
    QCOMPARE(NextColumn(t, 0), 1);
    QCOMPARE(NextColumn(t, 1), 3);
    QCOMPARE(PrevColumn(t, 3), 1);
    QCOMPARE(PrevColumn(t, 1), 0);

    const QString words = QStringLiteral("one two  three");
    QCOMPARE(WordColumn(words, 0, true), 4);
    QCOMPARE(WordColumn(words, 4, true), 9);
    QCOMPARE(WordColumn(words, 9, true), 14);
    QCOMPARE(WordColumn(words, 14, false), 9);
    QCOMPARE(WordColumn(words, 9, false), 4);
    QCOMPARE(WordColumn(words, 2, false), 0);

    int start = -1, end = -1;
    WordAt(words, 5, &start, &end);
    QCOMPARE(start, 4);
    QCOMPARE(end, 7);
    WordAt(words, 4, &start, &end);  // at a word's start
    QCOMPARE(start, 4);
    QCOMPARE(end, 7);
    WordAt(words, 14, &start, &end);  // past the end
    QCOMPARE(end, 14);
}

QTEST_MAIN(TestDocumentParts)
#include "tst_documentparts.moc"
