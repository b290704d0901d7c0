// Find: the matching rules of the search text, the find bar's keys and the
// view of matching lines only.
#include <QtTest>

#include <vector>

#include "find/text_matcher.h"
#include "sjis/shift_jis.h"

using namespace chatscope;

class FindTest : public QObject {
    Q_OBJECT
private slots:
    void Matching_data();
    void Matching();
};

void FindTest::Matching_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("matches");  // "start-end" columns of the original line, space separated

    QTest::newRow("full width letters") << u"abc"_qs << false << u"xＡＢＣy"_qs << "1-4";
    QTest::newRow("upper case") << u"ａｂｃ"_qs << false << u"ABC abc"_qs << "0-3 4-7";
    QTest::newRow("half width kana") << u"カタカナ"_qs << false << u"ｶﾀｶﾅです"_qs << "0-4";
    QTest::newRow("voiced half width kana") << u"ガ"_qs << false << u"ｶﾞｶガ"_qs << "0-2 3-4";
    QTest::newRow("base of a voiced kana is no match") << u"カ"_qs << false << u"ｶﾞガカ"_qs << "3-4";
    QTest::newRow("full width digits") << u"１２３"_qs << false << u"a123b"_qs << "1-4";
    QTest::newRow("ideographic space") << u"a b"_qs << false << u"a　b"_qs << "0-3";
    QTest::newRow("expanding character") << u"株式会社"_qs << false << u"x㍿"_qs << "1-2";
    QTest::newRow("not overlapping") << u"aa"_qs << false << u"aaaaa"_qs << "0-2 2-4";
    QTest::newRow("surrogate pair") << u"𠮷"_qs << false << u"a𠮷b"_qs << "1-3";
    QTest::newRow("no match") << u"xyz"_qs << false << u"ABC"_qs << "";
    QTest::newRow("exact: case counts") << u"abc"_qs << true << u"ABC abc ａｂｃ"_qs << "4-7";
    QTest::newRow("exact: width counts") << u"カ"_qs << true << u"ｶカ"_qs << "1-2";
    QTest::newRow("empty pattern") << QString() << false << u"abc"_qs << "";
}

void FindTest::Matching() {
    QFETCH(QString, pattern);
    QFETCH(bool, exact);
    QFETCH(QString, line);
    QFETCH(QString, matches);

    TextMatcher matcher(pattern, exact);
    std::vector<TextMatch> found;
    matcher.FindAll(line, found);
    QStringList got;
    for (const TextMatch& m : found) got << QStringLiteral("%1-%2").arg(m.start).arg(m.end);
    QCOMPARE(got.join(u' '), matches);
    QCOMPARE(matcher.Count(line), static_cast<int>(found.size()));
    // The same line as the display holds it when loaded, where Windows-31J can hold it.
    if (const auto bytes = sjis::EncodeExact(line))
        QCOMPARE(matcher.CountBytes(*bytes), static_cast<int>(found.size()));
    if (!found.empty()) {
        QCOMPARE(matcher.FindFrom(line, found.front().start + 1).start, found.size() > 1 ? found[1].start : 0);
        QCOMPARE(matcher.FindBefore(line, found.back().end), found.back());
    }
}

QTEST_MAIN(FindTest)
#include "tst_find.moc"
