// The main window driven as the user drives it: start-up, loading, the channel
// commands, the saves, file drops, the side-window toggles and the settings
// written at exit. The windows are created exactly as the viewer creates them.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "../core/log_builder.h"
#include "chatscope/log_reader.h"
#include "display/log_display.h"
#include "log_session.h"
#include "main_window.h"
#include "recent_files_menu.h"
#include "settings_dialog.h"
#include "shown_lines_writer.h"
#include "statistics_window.h"
#include "test_support/test_files.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;
using testsupport::ReadFile;

namespace {

const QString kCaption = QStringLiteral("Tarq Log Viewer");

// "あいう" in Shift-JIS.
const std::string kAiu = "\x82\xA0\x82\xA2\x82\xA4";
// "Dave、Potionを手に入れた": an item record's text.
const std::string kItemText = "Dave\x81\x41Potion\x82\xF0\x8E\xE8\x82\xC9\x93\xFC\x82\xEA\x82\xBD";

// One block of eight records covering the channels the tests toggle.
std::vector<std::string> SampleRecords() {
    return {
        logtest::Record(1, "Alice : hello", 0x00FFFFFF), logtest::Record(4, ">>Bob : psst", 0x00FF80FF),
        logtest::Record(9, "Alice : again", 0x00FFFFFF), logtest::Record(5, "(Carol) hi", 0x0000FFFF),
        logtest::Record(0, kAiu, 0x00123456, true),      logtest::Record(131, "Dave gains 120 exp.", 0x009F00A9),
        logtest::Record(127, kItemText, 0x00FFFF00),     logtest::Record(200, "misc", 0x00808080),
    };
}

const QString kSampleCounts =
    QStringLiteral("Say:2, Tell:1, Party:1, LinkShell:0, Shout:0, Emote:0, Drop:1, Exp:1, Skill:0, All:8");

QString Sjis(const std::string& bytes) {
    return QStringDecoder("Windows-31J").decode(QByteArray::fromStdString(bytes));
}

QStringList AllSampleLines() {
    return {
        QStringLiteral("Alice : hello"),
        QStringLiteral(">>Bob : psst"),
        QStringLiteral("Alice : again"),
        QStringLiteral("(Carol) hi"),
        QStringLiteral("\u3000\u3000あいう"),
        QStringLiteral("Dave gains 120 exp."),
        Sjis(kItemText),
        QStringLiteral("misc"),
    };
}

// The three windows in a folder of their own, settings files included.
struct Viewer {
    QTemporaryDir dir;
    std::unique_ptr<ViewerWindows> windows;

    explicit Viewer(std::optional<std::string> settingsBytes = std::nullopt) {
        if (settingsBytes) Write("chatscope.cnf", *settingsBytes);
        windows = CreateViewerWindows(Local("chatscope.cnf"), Local("chatscope.flt"));
        windows->mainWindow->show();
    }
    MainWindow& mainWindow() { return *windows->mainWindow; }
    SettingsDialog& settingsDialog() { return *windows->settingsDialog; }
    StatisticsWindow& statisticsWindow() { return *windows->statisticsWindow; }
    LogDisplay& display() { return *Part<LogDisplay>(*windows->mainWindow, QStringLiteral("display")); }
    LogSession& session() { return *windows->session; }

    QString Path(const QString& name) const { return dir.filePath(name); }
    std::string Local(const QString& name) const { return MainWindow::ToLocalPath(Path(name)); }
    std::string Write(const QString& name, const std::string& bytes) const {
        std::ofstream out(Local(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        return Local(name);
    }
    std::string WriteSampleLog(const QString& name) const { return Write(name, logtest::Block(SampleRecords())); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < display().LineCount(); ++i) lines << display().LineText(i);
        return lines;
    }
    // The colour painted in the display's lower right corner (below any text).
    QRgb BackgroundPixel() {
        const QImage image = display().viewport()->grab().toImage();
        return image.pixel(image.width() - 3, image.height() - 3) & 0xFFFFFF;
    }
    bool Checked(int bit, bool popup) {
        return ChannelCommand(mainWindow(), static_cast<Channel>(bit), popup)->isChecked();
    }
};

QStringList ActionTexts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* a : actions) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

// Parses the entries of an RTF colour table: entry index -> "\redR\greenG\blueB".
QStringList RtfColourTable(const QByteArray& rtf) {
    const int start = rtf.indexOf("{\\colortbl");
    if (start < 0) return {};
    const int end = rtf.indexOf('}', start);
    QByteArray table = rtf.mid(start + 10, end - start - 10);
    table.replace(' ', "").replace('\r', "").replace('\n', "");
    QStringList entries = QString::fromLatin1(table).split(QLatin1Char(';'));
    entries.removeLast();  // after the last ';'
    return entries;
}

// What "chatscope --text" prints for `log` with the window's settings.
QByteArray ShownLines(const LogSession& session, const std::string& log, ShownLinesWriter::Form form) {
    char* data = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    ShownLinesWriter writer(form, out);
    ReadLog(log, &writer, {session.Settings().filterWord(), session.Users()});
    const bool written = writer.Finish();
    std::fclose(out);
    QByteArray bytes(data, qsizetype(size));
    std::free(data);
    return written ? bytes : QByteArray("write failed");
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsEmptyWithoutSettingsFiles();
    void startsWithSavedColourAndFilters();
    void menusInTheirOrder();
    void loadShowsFileAndFailedLoadChangesNothing();
    void loadingTwiceGivesTheSamePass();
    void channelCommandsRereadAndMarkBothMenus();
    void everyChannelItemDrivesItsBit();
    void channelToggleWithoutFileOnlyChangesFilter();
    void savePresetFollowsLoadedLog();
    void openAndSaveDialogs();
    void saveChoosesByExtension();
    void htmlSaveNeedsLoadedLog();
    void plainTextSaveBytes();
    void richTextSaveColours();
    void saveOntoLoadedLogWritesNothing();
    void dropLoadsFilesInNameOrder();
    void recentFilesListOpenedFilesAndForgetMissingOnes();
    void copyFollowsSelection();
    void sideWindowTogglesAndCloseButtons();
    void exitClosesEverything();
    void settingsWrittenAtExit();
    void startupFileArgumentsAreAbsolute();
};

void TestMainWindow::startsEmptyWithoutSettingsFiles() {
    Viewer v;
    QCOMPARE(v.mainWindow().windowTitle(), kCaption);
    QCOMPARE(v.mainWindow().size(), QSize(587, 463));
    QCOMPARE(v.session().CurrentLogPath(), std::string());
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QString());
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), QString());
    QCOMPARE(v.display().LineCount(), 1);
    QCOMPARE(v.display().LineText(0), QString());
    QCOMPARE(v.BackgroundPixel(), QRgb(0x000000));
    for (int bit = 0; bit < 7; ++bit) {
        QVERIFY(!v.Checked(bit, false));
        QVERIFY(!v.Checked(bit, true));
    }
    for (bool popup : {false, true}) {
        QVERIFY(!StatisticsCommand(v.mainWindow(), popup)->isChecked());
        QVERIFY(!SettingsCommand(v.mainWindow(), popup)->isChecked());
    }
    QVERIFY(!Command(v.mainWindow(), "copyAction")->isEnabled());
    QVERIFY(!v.settingsDialog().isVisible());
    QVERIFY(!v.statisticsWindow().isVisible());
}

void TestMainWindow::startsWithSavedColourAndFilters() {
    // Background 10 20 30, filter word 0x10041: Say, etc and an etc-checklist bit.
    Viewer v(std::string("\x10\x20\x30\x00\x41\x00\x01\x00", 8));
    QCOMPARE(v.BackgroundPixel(), QRgb(0x102030));
    for (int bit = 0; bit < 7; ++bit) {
        const bool expected = bit == 0 || bit == 6;
        QCOMPARE(v.Checked(bit, false), expected);
        QCOMPARE(v.Checked(bit, true), expected);
    }
}

void TestMainWindow::menusInTheirOrder() {
    Viewer v;
    const QList<QAction*> top = v.mainWindow().menuBar()->actions();
    QCOMPARE(ActionTexts(top), (QStringList{"ファイル", "フィルター", "その他", "表示"}));
    QCOMPARE(ActionTexts(top[0]->menu()->actions()),
             (QStringList{"開く", "最近使ったファイル", "アーカイブ一覧...", "保存", "-", "終了"}));
    QCOMPARE(ActionTexts(top[1]->menu()->actions()),
             (QStringList{"Say", "Tell", "Party", "Linkshell", "Shout", "Emote", "etc"}));
    QCOMPARE(ActionTexts(top[2]->menu()->actions()), (QStringList{"データ", "オプション"}));
    QCOMPARE(ActionTexts(top[3]->menu()->actions()),
             (QStringList{"検索...", "次を検索", "前を検索", "-", "一致する行だけ表示", "-", "末尾を追う"}));
    QCOMPARE(ActionTexts(Part<QMenu>(v.mainWindow(), QStringLiteral("contextMenu"))->actions()),
             (QStringList{"Say", "Tell", "Party", "Linkshell", "Shout", "Emote", "etc", "-", "開く", "保存", "-",
                          "コピー", "-", "データ", "オプション", "-", "終了"}));
    for (QAction* a : Part<QMenu>(v.mainWindow(), QStringLiteral("contextMenu"))->actions())
        QVERIFY(a->shortcut().isEmpty());
}

void TestMainWindow::loadShowsFileAndFailedLoadChangesNothing() {
    Viewer v;
    const std::string good = v.WriteSampleLog(QStringLiteral("chat.log"));
    QVERIFY(v.session().Load(good));
    const QString caption = kCaption + QStringLiteral(" [") + v.Path(QStringLiteral("chat.log")) + "]";
    QCOMPARE(v.mainWindow().windowTitle(), caption);
    QCOMPARE(v.session().CurrentLogPath(), good);
    QCOMPARE(v.Lines(), AllSampleLines());
    QCOMPARE(v.display().LineColour(0), 0x00FFFFFFu);
    QCOMPARE(v.display().LineColour(4), 0x0081531Cu);  // 12 34 56 brightened
    QCOMPARE(v.display().LineColour(5), 0x00FD00FEu);  // 9F 00 A9 brightened
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), kSampleCounts);
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QStringLiteral("取得経験値:120"));
    // The statistics window was refilled, though hidden.
    QCOMPARE(Part<ReportModel>(v.statisticsWindow(), QStringLiteral("countersModel"))->rowCount(), 31);
    QCOMPARE(Part<ReportModel>(v.statisticsWindow(), QStringLiteral("countersModel"))->Text(0, 1),
             QStringLiteral("2 行"));
    QCOMPARE(Part<ReportModel>(v.statisticsWindow(), QStringLiteral("itemsModel"))->rowCount(), 1);

    const QStringList before = v.Lines();
    const std::vector<std::pair<QString, std::string>> bad = {
        {"notlog.log", std::string("\x01\x00", 2) + logtest::Block(SampleRecords()).substr(2)},
        {"short.log", std::string(99, '\0')},
        {"empty.log", std::string()},
    };
    for (const auto& [name, bytes] : bad) {
        QVERIFY(!v.session().Load(v.Write(name, bytes)));
        QCOMPARE(v.mainWindow().windowTitle(), caption);
        QCOMPARE(v.session().CurrentLogPath(), good);
        QCOMPARE(v.Lines(), before);
        QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), kSampleCounts);
        QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QStringLiteral("取得経験値:120"));
    }
    QVERIFY(!v.session().Load(v.Local(QStringLiteral("missing.log"))));
    QVERIFY(!v.session().Load(std::string()));
    QCOMPARE(v.session().CurrentLogPath(), good);

    // A header-only file is a log: it empties the display and zeroes the panels.
    QVERIFY(v.session().Load(v.Write(QStringLiteral("header.log"), logtest::Header())));
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"),
             QStringLiteral("Say:0, Tell:0, Party:0, LinkShell:0, Shout:0, "
                            "Emote:0, Drop:0, Exp:0, Skill:0, All:0"));
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QStringLiteral("取得経験値:0"));
    QCOMPARE(v.display().LineCount(), 1);
    QCOMPARE(v.display().LineText(0), QString());
}

void TestMainWindow::loadingTwiceGivesTheSamePass() {
    Viewer v;
    const std::string log =
        v.Write(QStringLiteral("two.log"), logtest::Block(SampleRecords()) + logtest::Block(SampleRecords()));
    QVERIFY(v.session().Load(log));
    const QStringList first = v.Lines();
    const QString counts = PanelText(v.mainWindow(), "channelCountPanel");
    QVERIFY(v.session().Load(log));
    QCOMPARE(v.Lines(), first);
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), counts);
    QVERIFY(counts.endsWith(QStringLiteral("All:16")));
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QStringLiteral("取得経験値:240"));
}

void TestMainWindow::channelCommandsRereadAndMarkBothMenus() {
    Viewer v;
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("chat.log"))));

    ChannelCommand(v.mainWindow(), Channel::Say, false)->trigger();  // Say in the menu
    QCOMPARE(v.session().Settings().filterWord(), 0x1u);
    QVERIFY(v.Checked(0, false));
    QVERIFY(v.Checked(0, true));
    QStringList withoutSay = AllSampleLines();
    withoutSay.removeAll(QStringLiteral("Alice : hello"));
    withoutSay.removeAll(QStringLiteral("Alice : again"));
    QCOMPARE(v.Lines(), withoutSay);
    // The statistics count the whole file, hidden lines included.
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), kSampleCounts);

    // etc in the popup: hides types 8 and 16-255 without a category
    ChannelCommand(v.mainWindow(), Channel::Etc, true)->trigger();
    QCOMPARE(v.session().Settings().filterWord(), 0x41u);
    QVERIFY(v.Checked(6, false));
    withoutSay.removeAll(QStringLiteral("misc"));
    QCOMPARE(v.Lines(), withoutSay);

    ChannelCommand(v.mainWindow(), Channel::Say, true)->trigger();  // Say in the popup restores Say
    ChannelCommand(v.mainWindow(), Channel::Etc, false)->trigger();
    QCOMPARE(v.session().Settings().filterWord(), 0x0u);
    QVERIFY(!v.Checked(0, false));
    QVERIFY(!v.Checked(0, true));
    QVERIFY(!v.Checked(6, false));
    QCOMPARE(v.Lines(), AllSampleLines());
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), kSampleCounts);
}

void TestMainWindow::everyChannelItemDrivesItsBit() {
    Viewer v;
    for (int bit = 0; bit < 7; ++bit) {
        for (bool popup : {false, true}) {
            ChannelCommand(v.mainWindow(), static_cast<Channel>(bit), popup)->trigger();
            QCOMPARE(v.session().Settings().filterWord(), 1u << bit);
            QVERIFY(v.Checked(bit, false) && v.Checked(bit, true));
            ChannelCommand(v.mainWindow(), static_cast<Channel>(bit), !popup)->trigger();
            QCOMPARE(v.session().Settings().filterWord(), 0u);
            QVERIFY(!v.Checked(bit, false) && !v.Checked(bit, true));
        }
    }
}

void TestMainWindow::channelToggleWithoutFileOnlyChangesFilter() {
    Viewer v(std::string("\0\0\0\0\0\0\x02\x80", 8));  // checklist and unused bits kept
    ChannelCommand(v.mainWindow(), Channel::Tell, false)->trigger();
    ChannelCommand(v.mainWindow(), Channel::Shout, false)->trigger();
    QCOMPARE(v.session().Settings().filterWord(), 0x80020012u);
    QVERIFY(v.Checked(1, true));
    QVERIFY(v.Checked(4, false));
    QCOMPARE(v.mainWindow().windowTitle(), kCaption);
    QCOMPARE(v.display().LineCount(), 1);
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), QString());
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), QString());
    QCOMPARE(Part<ReportModel>(v.statisticsWindow(), QStringLiteral("countersModel"))->Text(1, 1),
             QStringLiteral("0 行"));
}

void TestMainWindow::savePresetFollowsLoadedLog() {
    Viewer v;
    QCOMPARE(v.mainWindow().SaveDialogPreset(), QString());
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("a.log"))));
    QCOMPARE(v.mainWindow().SaveDialogPreset(), v.Path(QStringLiteral("a.htm")));
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("archive"))));
    QCOMPARE(v.mainWindow().SaveDialogPreset(), v.Path(QStringLiteral("archive.htm")));
}

namespace {

// Runs `answer` on the file dialog that `open` shows, once it is up.
template <typename Answer, typename Open> void AnswerFileDialog(Answer answer, Open open) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        answered = true;
        answer(*dialog);
    });
    open();
    QVERIFY(answered);
}

QString ShownFilter(QFileDialog& dialog) {
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return combo ? combo->currentText() : QString();
}

}  // namespace

void TestMainWindow::openAndSaveDialogs() {
    Viewer v;
    const std::string log = v.WriteSampleLog(QStringLiteral("a.log"));
    QString filter;
    AnswerFileDialog(
        [&](QFileDialog& d) {
            filter = ShownFilter(d);
            d.reject();
        },
        [&] { Command(v.mainWindow(), "openAction")->trigger(); });
    QCOMPARE(filter, QStringLiteral("TARQログファイル(*.log)"));
    QCOMPARE(v.session().CurrentLogPath(), std::string());  // cancelled

    AnswerFileDialog(
        [&](QFileDialog& d) {
            d.selectFile(v.Path(QStringLiteral("a.log")));
            static_cast<QDialog&>(d).accept();
        },
        [&] { Command(v.mainWindow(), "openAction")->trigger(); });
    QCOMPARE(v.session().CurrentLogPath(), log);

    QStringList preset;
    AnswerFileDialog(
        [&](QFileDialog& d) {
            filter = ShownFilter(d);
            preset = d.selectedFiles();
            d.reject();
        },
        [&] { Command(v.mainWindow(), "saveAction")->trigger(); });
    QCOMPARE(filter, QStringLiteral("保存ファイル(*.htm,*.doc,*.txt)"));
    QCOMPARE(preset, QStringList{v.Path(QStringLiteral("a.htm"))});
    QVERIFY(!QFile::exists(v.Path(QStringLiteral("a.htm"))));

    // The extension typed decides; the dialog adds none of its own.
    AnswerFileDialog(
        [&](QFileDialog& d) {
            d.selectFile(v.Path(QStringLiteral("picked.txt")));
            static_cast<QDialog&>(d).accept();
        },
        [&] { Command(v.mainWindow(), "saveAction")->trigger(); });
    QVERIFY(ReadFile(v.Path(QStringLiteral("picked.txt"))).startsWith("Alice : hello\r\n"));
    // The popup's item runs the same command.
    QAction* save2 = Part<QMenu>(v.mainWindow(), QStringLiteral("contextMenu"))->actions().at(9);
    QCOMPARE(save2->text(), QStringLiteral("保存"));
    AnswerFileDialog(
        [&](QFileDialog& d) {
            d.selectFile(v.Path(QStringLiteral("bare")));
            static_cast<QDialog&>(d).accept();
        },
        [&] { save2->trigger(); });
    QCOMPARE(QDir(v.dir.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("a.log"), QStringLiteral("chatscope.recent"), QStringLiteral("picked.txt")}));
}

void TestMainWindow::saveChoosesByExtension() {
    Viewer v;
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("chat.log"))));
    const auto counters = v.session().Statistics().counters;
    const QString experience = PanelText(v.mainWindow(), "experiencePanel");
    // The HTML save reads the file as it is now with a pass of its own; the
    // window's statistics stay those of the display's pass.
    {
        std::ofstream grown(v.Local(QStringLiteral("chat.log")), std::ios::binary | std::ios::app);
        const std::string more = logtest::Block({logtest::Record(131, "Eve gains 7 exp.")});
        grown.write(more.data(), std::streamsize(more.size()));
    }
    for (const char* name : {"upper.HTM", "mixed.Html", "lower.html"}) {
        v.mainWindow().SaveToPath(v.Path(QString::fromLatin1(name)));
        const QByteArray html = ReadFile(v.Path(QString::fromLatin1(name)));
        QVERIFY2(html.startsWith("<HTML>\r\n<HEAD>\r\n"), name);
        QVERIFY(html.contains("<FONT color=\"#FFFFFF\">Alice : hello</FONT><BR>\r\n"));
        QVERIFY(html.endsWith("</BODY>\r\n</HTML>\r\n"));
    }
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("plain.TXT")));
    QVERIFY(ReadFile(v.Path(QStringLiteral("plain.TXT"))).startsWith("Alice : hello\r\n>>Bob"));
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("rich.Doc")));
    QVERIFY(ReadFile(v.Path(QStringLiteral("rich.Doc"))).startsWith("{\\rtf1"));
    // No extension, or one of no meaning here: nothing is written.
    for (const char* name : {"noext", "other.rtf", "dotted.dir/none", "chat.htm.bak"}) {
        v.mainWindow().SaveToPath(v.Path(QString::fromLatin1(name)));
        QVERIFY2(!QFile::exists(v.Path(QString::fromLatin1(name))), name);
    }
    // After the HTML exports the panels still show the same pass.
    QCOMPARE(PanelText(v.mainWindow(), "channelCountPanel"), kSampleCounts);
    QCOMPARE(PanelText(v.mainWindow(), "experiencePanel"), experience);
    QVERIFY(v.session().Statistics().counters == counters);
}

void TestMainWindow::htmlSaveNeedsLoadedLog() {
    Viewer v;
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("out.htm")));
    QVERIFY(!QFile::exists(v.Path(QStringLiteral("out.htm"))));
    // The display saves need no loaded file: the one empty line is saved.
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("out.txt")));
    QVERIFY(QFile::exists(v.Path(QStringLiteral("out.txt"))));
    QVERIFY(ReadFile(v.Path(QStringLiteral("out.txt"))).size() <= 2);
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("out.doc")));
    QVERIFY(ReadFile(v.Path(QStringLiteral("out.doc"))).startsWith("{\\rtf1"));
}

void TestMainWindow::plainTextSaveBytes() {
    Viewer v;
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("chat.log"))));
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("out.txt")));
    const QByteArray bytes = ReadFile(v.Path(QStringLiteral("out.txt")));
    const QByteArray expected = QByteArray("Alice : hello\r\n>>Bob : psst\r\nAlice : again\r\n(Carol) hi\r\n") +
                                "\x81\x40\x81\x40" + QByteArray::fromStdString(kAiu) + "\r\nDave gains 120 exp.\r\n" +
                                QByteArray::fromStdString(kItemText) + "\r\nmisc";
    QVERIFY2(bytes == expected || bytes == expected + "\r\n", bytes.toHex().constData());

    // The text mode of the command line prints the same lines: the save's bytes
    // with --raw, the display's text as UTF-8 lines without; the filters apply.
    ChannelCommand(v.mainWindow(), Channel::Say, false)->trigger();
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("filtered.txt")));
    const std::string log = v.session().CurrentLogPath();
    QCOMPARE(ShownLines(v.session(), log, ShownLinesWriter::Form::PlainTextSave),
             ReadFile(v.Path(QStringLiteral("filtered.txt"))));
    QCOMPARE(ShownLines(v.session(), log, ShownLinesWriter::Form::Utf8),
             (v.Lines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    QCOMPARE(v.Lines().size(), 6);
}

void TestMainWindow::richTextSaveColours() {
    Viewer v;
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("chat.log"))));
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("out.doc")));
    const QByteArray rtf = ReadFile(v.Path(QStringLiteral("out.doc")));
    QVERIFY(rtf.startsWith("{\\rtf1"));
    QVERIFY(rtf.contains("\\ansicpg932"));
    QVERIFY(rtf.contains("\\fcharset128"));
    const QStringList table = RtfColourTable(rtf);
    const int aiuColour = table.indexOf(QStringLiteral("\\red28\\green83\\blue129"));
    const int expColour = table.indexOf(QStringLiteral("\\red254\\green0\\blue253"));
    QVERIFY2(aiuColour > 0 && expColour > 0, qPrintable(table.join(QLatin1Char('|'))));
    // Each line is written in its own colour; every byte >= 0x80 as \'hh.
    const QByteArray lower = rtf.toLower();
    const QRegularExpression aiuLine(QStringLiteral("\\\\cf%1[ \\\\][^\\n]*\\\\'81\\\\'40\\\\'81\\\\'40"
                                                    "\\\\'82\\\\'a0\\\\'82\\\\'a2\\\\'82\\\\'a4")
                                         .arg(aiuColour));
    QVERIFY(aiuLine.match(QString::fromLatin1(lower)).hasMatch());
    const QRegularExpression expLine(QStringLiteral("\\\\cf%1[ \\\\][^\\n]*dave gains 120 exp\\.").arg(expColour));
    QVERIFY(expLine.match(QString::fromLatin1(lower)).hasMatch());
    for (char c : rtf) QVERIFY(static_cast<unsigned char>(c) < 0x80);
}

void TestMainWindow::saveOntoLoadedLogWritesNothing() {
    Viewer v;
    const std::string log = logtest::Block(SampleRecords());
    for (const char* name : {"chat.txt", "chat.doc", "chat.htm"}) {
        const QString path = v.Path(QString::fromLatin1(name));
        QVERIFY(v.session().Load(v.Write(QString::fromLatin1(name), log)));
        v.mainWindow().SaveToPath(path);
        QVERIFY2(ReadFile(path) == QByteArray::fromStdString(log), name);
    }
    // Another name for the same file is the same file.
    QVERIFY(v.session().Load(v.Write(QStringLiteral("linked.log"), log)));
    std::filesystem::create_hard_link(v.Local(QStringLiteral("linked.log")), v.Local(QStringLiteral("alias.txt")));
    v.mainWindow().SaveToPath(v.Path(QStringLiteral("alias.txt")));
    QCOMPARE(ReadFile(v.Path(QStringLiteral("linked.log"))), QByteArray::fromStdString(log));
}

void TestMainWindow::recentFilesListOpenedFilesAndForgetMissingOnes() {
    Viewer v;
    RecentFilesMenu& menu = *Part<RecentFilesMenu>(v.mainWindow(), QStringLiteral("recentFiles"));
    QVERIFY(menu.isEmpty());
    QVERIFY(!menu.menuAction()->isEnabled());
    const std::string log = logtest::Block(SampleRecords());
    std::vector<std::string> paths;
    for (int i = 0; i < 10; ++i) paths.push_back(v.Write(QStringLiteral("day%1 & night.log").arg(i), log));
    for (const std::string& p : paths) QVERIFY(v.session().Open(p));
    QVERIFY(!v.session().Open(v.Write(QStringLiteral("bad.log"), "\x01 not a log")));
    QVERIFY(v.session().Load(paths[0]));  // a re-read is no opening

    auto shown = [&] {
        QStringList entries;
        for (QAction* a : menu.actions()) entries << a->text() + QLatin1Char('|') + a->toolTip();
        return entries;
    };
    auto entry = [&](int i) {
        return QStringLiteral("day%1 && night.log|").arg(i) + MainWindow::FromLocalPath(paths[std::size_t(i)]);
    };
    const QStringList newestFirst{entry(9), entry(8), entry(7), entry(6), entry(5), entry(4), entry(3), entry(2)};
    QCOMPARE(shown(), newestFirst);
    QVERIFY(menu.menuAction()->isEnabled());
    QCOMPARE(ReadFile(v.Path(QStringLiteral("chatscope.recent"))).count('\n'), 9);
    QCOMPARE(ReadFile(v.Path(QStringLiteral("chatscope.cnf"))), QByteArray());  // settings file untouched

    // Choosing an entry loads it and puts it first.
    menu.actions().at(3)->trigger();
    QCOMPARE(v.session().CurrentLogPath(), paths[6]);
    QCOMPARE(shown().first(), entry(6));

    // A file that is gone only leaves the list.
    std::filesystem::remove(paths[4]);
    const QString title = v.mainWindow().windowTitle();
    const QStringList lines = v.Lines();
    menu.actions().at(5)->trigger();
    QCOMPARE(shown(), (QStringList{entry(6), entry(9), entry(8), entry(7), entry(5), entry(3), entry(2)}));
    QCOMPARE(v.session().CurrentLogPath(), paths[6]);
    QCOMPARE(v.mainWindow().windowTitle(), title);
    QCOMPARE(v.Lines(), lines);

    // The next start shows the same list; a dialog's choice is an opening too.
    const auto again =
        CreateViewerWindows(v.Local(QStringLiteral("chatscope.cnf")), v.Local(QStringLiteral("other.flt")));
    RecentFilesMenu& next = *Part<RecentFilesMenu>(*again->mainWindow, QStringLiteral("recentFiles"));
    QCOMPARE(next.actions().size(), 7);
    QCOMPARE(next.actions().first()->toolTip(), MainWindow::FromLocalPath(paths[6]));
    AnswerFileDialog(
        [&](QFileDialog& d) {
            d.selectFile(MainWindow::FromLocalPath(paths[1]));
            static_cast<QDialog&>(d).accept();
        },
        [&] { Command(*again->mainWindow, "openAction")->trigger(); });
    QCOMPARE(next.actions().first()->toolTip(), MainWindow::FromLocalPath(paths[1]));

    // A set is one entry, kept for the next start; choosing it loads the set.
    const std::vector<std::string> set{paths[0], paths[2], paths[3]};
    QVERIFY(v.session().Open(set));
    const auto third =
        CreateViewerWindows(v.Local(QStringLiteral("chatscope.cnf")), v.Local(QStringLiteral("other.flt")));
    RecentFilesMenu& thirdMenu = *Part<RecentFilesMenu>(*third->mainWindow, QStringLiteral("recentFiles"));
    QCOMPARE(thirdMenu.actions().size(), 8);
    QCOMPARE(thirdMenu.actions().first()->text(), QStringLiteral("day0 && night.log +2"));
    QCOMPARE(thirdMenu.actions().first()->toolTip(), MainWindow::FromLocalPath(paths[0]) + "\n" +
                                                         MainWindow::FromLocalPath(paths[2]) + "\n" +
                                                         MainWindow::FromLocalPath(paths[3]));
    thirdMenu.actions().first()->trigger();
    QCOMPARE(third->session->Sources(), set);
    QCOMPARE(third->session->AllLines(), 24);
    // With a file of it gone, the set loads without it and its entry follows.
    std::filesystem::remove(paths[2]);
    thirdMenu.actions().first()->trigger();
    QCOMPARE(third->session->Sources(), (std::vector<std::string>{paths[0], paths[3]}));
    QCOMPARE(thirdMenu.actions().size(), 8);
    QCOMPARE(thirdMenu.actions().first()->text(), QStringLiteral("day0 && night.log +1"));
    QCOMPARE(thirdMenu.actions().at(1)->text(), QStringLiteral("day1 && night.log"));  // the old entry is gone
}

void TestMainWindow::dropLoadsFilesInNameOrder() {
    Viewer v;
    const std::string sample = v.WriteSampleLog(QStringLiteral("b.log"));
    const std::string second = v.Write(QStringLiteral("C.log"), logtest::Block({logtest::Record(1, "second file")}));
    v.Write(QStringLiteral("bad.log"), "\x01\x01 not a log");
    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData mime;
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&v.mainWindow(), &enter);
        QDropEvent dropEvent(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&v.mainWindow(), &dropEvent);
        return enter.isAccepted();
    };
    auto url = [&](const char* name) { return QUrl::fromLocalFile(v.Path(QString::fromLatin1(name))); };
    auto leftOut = [&] {
        QLabel* panel = Part<QLabel>(v.mainWindow(), QStringLiteral("leftOutPanel"));
        return panel->isVisibleTo(&v.mainWindow()) ? panel->text() : QStringLiteral("hidden");
    };

    // Byte-wise order ("C" before "b", "b.log" before "bad.log"); the file that is no log is named.
    QVERIFY(drop({url("bad.log"), url("b.log"), url("C.log")}));
    QCOMPARE(v.session().Sources(), (std::vector<std::string>{second, sample}));
    QCOMPARE(v.Lines(), QStringList{QStringLiteral("second file")} + AllSampleLines());
    QVERIFY(PanelText(v.mainWindow(), "channelCountPanel").endsWith(QStringLiteral("All:9")));
    QCOMPARE(v.mainWindow().windowTitle(), kCaption + QStringLiteral(" [") + v.Path(QStringLiteral("C.log")) + " +1]");
    QCOMPARE(leftOut(), QStringLiteral("読み込めなかったファイル: bad.log"));

    // No log among them: nothing changes.
    const QString title = v.mainWindow().windowTitle();
    QVERIFY(drop({url("bad.log")}));
    QVERIFY(drop({url("bad.log"), url("missing.log")}));
    QCOMPARE(v.session().Sources(), (std::vector<std::string>{second, sample}));
    QCOMPARE(v.mainWindow().windowTitle(), title);
    QVERIFY(!drop({QUrl(QStringLiteral("https://example.invalid/x.log"))}));

    QVERIFY(drop({url("b.log")}));
    QCOMPARE(v.session().Sources(), std::vector<std::string>{sample});
    QCOMPARE(v.mainWindow().windowTitle(), kCaption + QStringLiteral(" [") + v.Path(QStringLiteral("b.log")) + "]");
    QCOMPARE(leftOut(), QStringLiteral("hidden"));
}

void TestMainWindow::copyFollowsSelection() {
    Viewer v;
    QVERIFY(v.session().Load(v.WriteSampleLog(QStringLiteral("chat.log"))));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QVERIFY(!Command(v.mainWindow(), "copyAction")->isEnabled());
    Command(v.mainWindow(), "copyAction")->trigger();  // no selection: nothing copied
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));

    v.display().SetSelection(0, 0, 0, 5);
    QVERIFY(Command(v.mainWindow(), "copyAction")->isEnabled());
    Command(v.mainWindow(), "copyAction")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Alice"));

    v.display().SetSelection(1, 2, 1, 2);
    QVERIFY(!Command(v.mainWindow(), "copyAction")->isEnabled());

    v.display().SetSelection(0, 8, 1, 5);
    QVERIFY(Command(v.mainWindow(), "copyAction")->isEnabled());
    // A reload empties the selection along with the display.
    QVERIFY(v.session().Load(v.session().CurrentLogPath()));
    QVERIFY(!Command(v.mainWindow(), "copyAction")->isEnabled());
}

void TestMainWindow::sideWindowTogglesAndCloseButtons() {
    Viewer v;
    StatisticsCommand(v.mainWindow(), false)->trigger();
    QVERIFY(v.statisticsWindow().isVisible());
    QVERIFY(StatisticsCommand(v.mainWindow(), false)->isChecked() &&
            StatisticsCommand(v.mainWindow(), true)->isChecked());
    v.statisticsWindow().close();  // its own close button
    QVERIFY(!v.statisticsWindow().isVisible());
    QVERIFY(!StatisticsCommand(v.mainWindow(), false)->isChecked() &&
            !StatisticsCommand(v.mainWindow(), true)->isChecked());
    StatisticsCommand(v.mainWindow(), true)->trigger();
    QVERIFY(v.statisticsWindow().isVisible());
    v.mainWindow().ToggleStatisticsWindow();
    QVERIFY(!v.statisticsWindow().isVisible());
    QVERIFY(!StatisticsCommand(v.mainWindow(), true)->isChecked());

    SettingsCommand(v.mainWindow(), true)->trigger();
    QVERIFY(v.settingsDialog().isVisible());
    QVERIFY(SettingsCommand(v.mainWindow(), false)->isChecked() && SettingsCommand(v.mainWindow(), true)->isChecked());
    v.settingsDialog().close();
    QVERIFY(!v.settingsDialog().isVisible());
    QVERIFY(!SettingsCommand(v.mainWindow(), false)->isChecked() &&
            !SettingsCommand(v.mainWindow(), true)->isChecked());
    v.mainWindow().ToggleSettingsDialog();
    QVERIFY(v.settingsDialog().isVisible());
    QVERIFY(v.mainWindow().isVisible());
}

void TestMainWindow::exitClosesEverything() {
    Viewer v;
    v.mainWindow().ToggleStatisticsWindow();
    v.mainWindow().ToggleSettingsDialog();
    Command(v.mainWindow(), "exitAction")->trigger();
    QVERIFY(!v.mainWindow().isVisible());
    QVERIFY(!v.settingsDialog().isVisible());
    QVERIFY(!v.statisticsWindow().isVisible());
}

void TestMainWindow::settingsWrittenAtExit() {
    auto v = std::make_unique<Viewer>();
    const QString cnf = v->Path(QStringLiteral("chatscope.cnf"));
    QVERIFY(!QFile::exists(cnf));
    ChannelCommand(v->mainWindow(), Channel::Say, false)->trigger();
    ChannelCommand(v->mainWindow(), Channel::Etc, false)->trigger();
    ChannelCommand(v->mainWindow(), Channel::Emote, false)->trigger();
    ChannelCommand(v->mainWindow(), Channel::Emote, false)->trigger();
    QVERIFY(!QFile::exists(cnf));  // nothing is written while the viewer runs
    const QString dirPath = v->dir.path();
    v->dir.setAutoRemove(false);
    v.reset();
    const QByteArray bytes = ReadFile(cnf);
    QCOMPARE(bytes, QByteArray("\0\0\0\0\x41\0\0\0", 8));
    QVERIFY(!QFile::exists(dirPath + QStringLiteral("/chatscope.flt")));
    QVERIFY(!QFile::exists(dirPath + QStringLiteral("/chatscope.tmp")));
    QDir(dirPath).removeRecursively();
}

void TestMainWindow::startupFileArgumentsAreAbsolute() {
    char prog[] = "chatscope";
    char rel[] = "sub/../chat.log";
    char abs[] = "/tmp/x.log";
    char empty[] = "";
    char dashes[] = "--";
    char dashFile[] = "/tmp/-x";
    using Files = std::vector<std::string>;
    const std::string relative = (std::filesystem::current_path() / "chat.log").string();
    struct Case {
        std::vector<char*> args;
        Files expected;
    } const cases[] = {
        {{prog, rel}, {relative}},
        {{prog, abs}, {"/tmp/x.log"}},
        {{prog}, {}},
        {{prog, dashes, dashFile}, {"/tmp/-x"}},
        {{prog, dashes}, {}},
        {{prog, abs, empty, rel, abs}, {"/tmp/x.log", relative, "/tmp/x.log"}},  // in the order given
        {{prog, dashes, dashFile, dashes, rel},
         {"/tmp/-x", (std::filesystem::current_path() / "--").string(), relative}},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv = c.args;
        argv.push_back(nullptr);
        QCOMPARE(StartupFileArguments(int(c.args.size()), argv.data()), c.expected);
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
