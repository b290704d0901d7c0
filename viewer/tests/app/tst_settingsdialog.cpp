// The settings dialog: colour bars, the etc checklist, the user list, where it
// stands, and the files it writes when it is destroyed.
#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chatscope/classify.h"
#include "display/log_display.h"
#include "log_session.h"
#include "main_window.h"
#include "settings_dialog.h"
#include "test_logs.h"
#include "test_support/test_files.h"
#include "viewer_main.h"
#include "window_parts.h"

using namespace chatscope;
using namespace apptest;
using namespace testsupport;
using logtest::Record;

namespace {

// Five item drops (type 127), three Say lines (type 1) and two lines of type 200.
std::vector<std::string> SampleLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 5; ++i) lines.push_back(Record(127, "Kay\x81\x41Nut\x82\xF0\x8E\xE8"));
    for (int i = 0; i < 3; ++i) lines.push_back(Record(1, "Amy : hello"));
    for (int i = 0; i < 2; ++i) lines.push_back(Record(200, "custom"));
    return lines;
}

QColor DisplayBackground(MainWindow& mainWindow) {
    const QImage image = Part<LogDisplay>(mainWindow, QStringLiteral("display"))->viewport()->grab().toImage();
    return image.pixelColor(image.width() - 3, image.height() - 3);
}

}  // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ViewerWindows> w_;

    QString Path(const char* name) const { return dir_->filePath(QString::fromLatin1(name)); }
    QString Cnf() const { return Path("chatscope.cnf"); }
    QString Flt() const { return Path("chatscope.flt"); }
    void Start() {
        w_ = CreateViewerWindows(Cnf().toStdString(), Flt().toStdString());
        w_->mainWindow->resize(587, 463);
    }
    SettingsDialog& Dialog() { return *w_->settingsDialog; }
    MainWindow& Main() { return *w_->mainWindow; }
    LogSession& Session() { return *w_->session; }
    std::uint32_t Word() const { return w_->session->Settings().filterWord(); }
    void Tick(QListWidget* list, int row, bool ticked) {
        list->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    void Settings(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t reserved, std::uint32_t word) {
        std::string bytes{char(r), char(g), char(b), char(reserved)};
        for (int i = 0; i < 4; ++i) bytes += char(word >> (8 * i));
        QVERIFY(WriteFile(Cnf(), bytes));
    }
    QString LoadSample() {
        const QString log = Path("a.log");
        if (!WriteFile(log, LogBytes(SampleLines()))) return {};
        if (!Session().Load(log.toStdString())) return {};
        return log;
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup() {
        w_.reset();
        dir_.reset();
    }

    void startsWithDefaultsWithoutFiles() {
        Start();
        QCOMPARE(Dialog().windowTitle(), QStringLiteral("chatscope Config"));
        QVERIFY(!Dialog().isVisible());
        QCOMPARE(Dialog().size(), QSize(194, 321));
        QCOMPARE(Dialog().minimumSize(), Dialog().maximumSize());
        QCOMPARE(Part<QLabel>(Dialog(), QStringLiteral("backgroundLabel"))->text(), QStringLiteral("背景色"));
        QCOMPARE(Part<QLabel>(Dialog(), QStringLiteral("etcFilterLabel"))->text(),
                 QStringLiteral("[etc]フィルターに含める"));
        QCOMPARE(Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->text(),
                 QStringLiteral("ユーザー指定 (チェックは非表示)"));
        QCOMPARE(Part<QFrame>(Dialog(), QStringLiteral("swatch"))->size(), QSize(48, 50));
        for (QScrollBar* bar : {Part<QScrollBar>(Dialog(), QStringLiteral("redBar")),
                                Part<QScrollBar>(Dialog(), QStringLiteral("greenBar")),
                                Part<QScrollBar>(Dialog(), QStringLiteral("blueBar"))}) {
            QCOMPARE(bar->orientation(), Qt::Horizontal);
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 255);
            QCOMPARE(bar->value(), 0);
        }
        QCOMPARE(Dialog().SwatchColour(), 0u);
        const QStringList etc = {"アイテムドロップ",       "経験値取得",         "サーチコメント",
                                 "リンクシェルメッセージ", "スキルアップ",       "レベルアップ、ダウン",
                                 "サービスメッセージ",     "モンスターを倒した", "(ユーザー指定)"};
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList"))->count(), 9);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList"))->item(i)->text(), etc[i]);
            QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList"))->item(i)->checkState(),
                     Qt::Unchecked);
        }
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->count(), 0);
        QVERIFY(!Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(!Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        QCOMPARE(Word(), 0u);
        for (int bit = 0; bit < 7; ++bit)
            QVERIFY(!ChannelCommand(Main(), static_cast<Channel>(bit), false)->isChecked());
    }

    void startsFromTheSavedFiles() {
        Settings(10, 20, 30, 0x5A, FilterBit::ItemDrop | FilterBit::UserSpecified | 0x80 | FilterBit::Tell);
        // An entry with a Shift-JIS name ("アイ"), a comment and a ticked entry.
        QVERIFY(WriteFile(Flt(), "0,1,\x83\x41\x83\x43\r\n# note\r\n1,4,Bob\r\n"));
        Start();
        QCOMPARE(Part<QScrollBar>(Dialog(), QStringLiteral("redBar"))->value(), 10);
        QCOMPARE(Part<QScrollBar>(Dialog(), QStringLiteral("greenBar"))->value(), 20);
        QCOMPARE(Part<QScrollBar>(Dialog(), QStringLiteral("blueBar"))->value(), 30);
        QCOMPARE(Dialog().SwatchColour(), 10u | 20u << 8 | 30u << 16);
        QCOMPARE(DisplayBackground(Main()), QColor(10, 20, 30));
        for (int i = 0; i < 9; ++i)
            QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList"))->item(i)->checkState(),
                     (i == 0 || i == 8) ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->count(), 2);
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->item(0)->text(), QStringLiteral("アイ"));
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->item(1)->text(), QStringLiteral("Bob"));
        QCOMPARE(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->item(1)->checkState(), Qt::Checked);
        // Bit 24 set: the list and its label are greyed.
        QVERIFY(!Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(!Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        // Filling the lists changed nothing.
        QCOMPARE(Word(), FilterBit::ItemDrop | FilterBit::UserSpecified | 0x80u | FilterBit::Tell);
        QVERIFY(!w_->session->Users()[0].ticked);
        QVERIFY(w_->session->Users()[1].ticked);
    }

    void scrollBarsChangeSwatchSettingsAndDisplay() {
        Start();
        Part<QScrollBar>(Dialog(), QStringLiteral("redBar"))->setValue(200);
        QCOMPARE(Dialog().SwatchColour(), 200u);
        QCOMPARE(w_->session->Settings().red(), 200);
        QCOMPARE(DisplayBackground(Main()), QColor(200, 0, 0));
        Part<QScrollBar>(Dialog(), QStringLiteral("greenBar"))->setValue(100);
        Part<QScrollBar>(Dialog(), QStringLiteral("blueBar"))->setValue(50);
        QCOMPARE(Dialog().SwatchColour(), 200u | 100u << 8 | 50u << 16);
        QCOMPARE(w_->session->Settings().green(), 100);
        QCOMPARE(w_->session->Settings().blue(), 50);
        QCOMPARE(Part<QFrame>(Dialog(), QStringLiteral("swatch"))->palette().color(QPalette::Window),
                 QColor(200, 100, 50));
        QCOMPARE(DisplayBackground(Main()), QColor(200, 100, 50));
        // A step of the bar as the user makes it.
        Part<QScrollBar>(Dialog(), QStringLiteral("blueBar"))->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w_->session->Settings().blue(), 51);
        QCOMPARE(DisplayBackground(Main()), QColor(200, 100, 51));
        QCOMPARE(Word(), 0u);  // nothing else touched
    }

    void etcChecklistSetsBitsAndRereads() {
        Settings(0, 0, 0, 0, FilterBit::Say | 0x8000);
        Start();
        QVERIFY(!LoadSample().isEmpty());
        const int shown = Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount();

        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 0, true);  // "アイテムドロップ"
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::ItemDrop);
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), shown - 5);

        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 7, true);  // "モンスターを倒した"
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::ItemDrop | FilterBit::MonsterDefeated);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 0, false);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::MonsterDefeated);
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), shown);

        for (int i = 0; i < 9; ++i) Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), i, true);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | 0x1FF0000u);
        for (int i = 0; i < 9; ++i) Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), i, false);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u);
    }

    void etcChecklistRereadsTheFileFromDisk() {
        Start();
        const QString log = LoadSample();
        const int shown = Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount();
        QVERIFY(WriteFile(log, LogBytes({Record(1, "Amy : more")}), true));  // a second block
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 2,
             true);  // "サーチコメント": hides nothing here
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), shown + 1);
    }

    void tickWithoutALogReadsNothing() {
        QVERIFY(WriteFile(Flt(), "0,200,Foo\r\n"));
        Start();
        QVERIFY(Session().CurrentLogPath().empty());
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 1, true);
        QCOMPARE(Word(), FilterBit::Experience);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 0, true);
        QVERIFY(w_->session->Users()[0].ticked);
        QVERIFY(Session().CurrentLogPath().empty());
        QCOMPARE(Main().windowTitle(), QStringLiteral("Tarq Log Viewer"));
    }

    void userListGreyingRules() {
        // Empty list: greyed whatever bit 24 says.
        Start();
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 8, true);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 8, false);
        QVERIFY(!Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(!Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        w_.reset();

        QVERIFY(WriteFile(Flt(), "0,200,Foo\r\n"));
        Start();
        QVERIFY(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 8, true);  // "(ユーザー指定)"
        QCOMPARE(Word(), FilterBit::UserSpecified);
        QVERIFY(!Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(!Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 8, false);
        QVERIFY(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
        QVERIFY(Part<QLabel>(Dialog(), QStringLiteral("userListLabel"))->isEnabled());
        // Another item leaves the list as it is.
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 3, true);
        QVERIFY(Part<QListWidget>(Dialog(), QStringLiteral("userList"))->isEnabled());
    }

    void userListTickRereadsUnlessBit24() {
        // Entry for type 200, unticked: those records are the user category.
        QVERIFY(WriteFile(Flt(), "0,200,Foo\r\n1,1,Bar\r\n"));
        Settings(0, 0, 0, 0, FilterBit::Etc);
        Start();
        const QString log = LoadSample();
        const int shown = Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount();

        // Ticking the entry gives type 200 back to "etc", which hides it.
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 0, true);
        QVERIFY(w_->session->Users()[0].ticked);
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), shown - 2);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 0, false);
        QVERIFY(!w_->session->Users()[0].ticked);
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), shown);

        // With "(ユーザー指定)" ticked the flag follows the box but nothing is read:
        // a block added to the file does not show up.
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 8, true);
        const int hidden = Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount();
        QCOMPARE(hidden, shown - 2);  // the user category is hidden now
        QVERIFY(WriteFile(log, LogBytes({Record(1, "Amy : more")}), true));
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 1, false);
        QVERIFY(!w_->session->Users()[1].ticked);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 0, true);
        QVERIFY(w_->session->Users()[0].ticked);
        QCOMPARE(Part<LogDisplay>(Main(), QStringLiteral("display"))->LineCount(), hidden);
    }

    void placementBesideAndAtTheRightEdge() {
        Start();
        const QRect desktop = Main().screen()->geometry();
        const int right = desktop.x() + desktop.width();
        Main().show();
        Main().move(right - Main().frameGeometry().width() - 194 - 10, desktop.y() + 25);
        const QRect main = Main().frameGeometry();
        Main().ToggleSettingsDialog();
        QVERIFY(Dialog().isVisible());
        QCOMPARE(Dialog().frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
        Main().ToggleSettingsDialog();
        QVERIFY(!Dialog().isVisible());

        Main().move(right - main.width() - 40, desktop.y() + 60);
        Main().ToggleSettingsDialog();
        QCOMPARE(Dialog().frameGeometry().x() + Dialog().frameGeometry().width(), right);
        QCOMPARE(Dialog().frameGeometry().y(), Main().frameGeometry().y());
    }

    void closeBoxClearsBothCheckMarks() {
        Start();
        Main().show();
        Main().ToggleSettingsDialog();
        QVERIFY(Dialog().isVisible());
        QVERIFY(SettingsCommand(Main(), false)->isChecked());
        QVERIFY(SettingsCommand(Main(), true)->isChecked());
        QVERIFY(Dialog().close());
        QVERIFY(!Dialog().isVisible());
        QVERIFY(!SettingsCommand(Main(), false)->isChecked());
        QVERIFY(!SettingsCommand(Main(), true)->isChecked());

        // Escape closes it the same way.
        Main().ToggleSettingsDialog();
        QVERIFY(Dialog().isVisible());
        QTest::keyClick(&Dialog(), Qt::Key_Escape);
        QVERIFY(!Dialog().isVisible());
        QVERIFY(!SettingsCommand(Main(), false)->isChecked());
        QVERIFY(!SettingsCommand(Main(), true)->isChecked());
    }

    void filesWrittenWhenDestroyed() {
        Settings(1, 2, 3, 0x5A, 0x80000080u);
        QVERIFY(WriteFile(Flt(), "  0, 200, Foo  \r\n# note\r\n\r\n5,4,Bob trailing\r\n"));
        Start();
        Part<QScrollBar>(Dialog(), QStringLiteral("greenBar"))->setValue(255);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("etcFilterList")), 1, true);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 0, true);
        Tick(Part<QListWidget>(Dialog(), QStringLiteral("userList")), 1, false);
        QVERIFY(!QFile::exists(Path("chatscope.tmp")));  // nothing written during the run
        w_.reset();

        const QByteArray cnf = ReadFile(Cnf());
        QCOMPARE(cnf, QByteArray("\x01\xFF\x03\x5A\x80\x00\x02\x80", 8));
        QCOMPARE(ReadFile(Flt()), QByteArray("1,200,Foo\r\n# note\r\n\r\n0,4,Bob\r\n"));
        QVERIFY(!QFile::exists(Path("chatscope.tmp")));
    }

    void settingsFolderIsCreatedOnFirstSave() {
        // An installed viewer keeps its files in a per-user folder that a
        // first run has not made yet.
        const QString cnf = Path("config/chatscope/chatscope.cnf");
        w_ = CreateViewerWindows(cnf.toStdString(), Path("config/chatscope/chatscope.flt").toStdString());
        Part<QScrollBar>(Dialog(), QStringLiteral("redBar"))->setValue(7);
        w_.reset();
        QCOMPARE(ReadFile(cnf), QByteArray("\x07\0\0\0\0\0\0\0", 8));
    }

    void noFilterFileIsCreated() {
        Start();
        w_.reset();
        QCOMPARE(ReadFile(Cnf()), QByteArray(8, '\0'));
        QVERIFY(!QFile::exists(Flt()));
        QVERIFY(!QFile::exists(Path("chatscope.tmp")));
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
