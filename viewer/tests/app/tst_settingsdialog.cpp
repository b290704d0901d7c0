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

#include "Lvconfig.h"
#include "Lvmain.h"
#include "app_test_files.h"
#include "chatscope/classify.h"
#include "display/log_display.h"
#include "viewer_main.h"

using namespace chatscope;
using namespace apptest;
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

QColor DisplayBackground(TForm1& form1) {
    const QImage image = form1.Display()->viewport()->grab().toImage();
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
        w_->form1->resize(587, 463);
    }
    TForm2& Form2() { return *w_->form2; }
    TForm1& Form1() { return *w_->form1; }
    std::uint32_t Word() const { return w_->state.settings.filterWord(); }
    void Tick(QListWidget* list, int row, bool ticked) {
        list->item(row)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    void Settings(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t reserved, std::uint32_t word) {
        std::string bytes{char(r), char(g), char(b), char(reserved)};
        for (int i = 0; i < 4; ++i) bytes += char(word >> (8 * i));
        WriteFile(Cnf(), bytes);
    }
    QString LoadSample() {
        const QString log = Path("a.log");
        WriteFile(log, LogBytes(SampleLines()));
        if (!Form1().LoadLogFile(log.toStdString())) return {};
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
        QCOMPARE(Form2().windowTitle(), QStringLiteral("chatscope Config"));
        QVERIFY(!Form2().isVisible());
        QCOMPARE(Form2().size(), QSize(194, 321));
        QCOMPARE(Form2().minimumSize(), Form2().maximumSize());
        QCOMPARE(Form2().Label1->text(), QStringLiteral("背景色"));
        QCOMPARE(Form2().Label2->text(), QStringLiteral("[etc]フィルターに含める"));
        QCOMPARE(Form2().Label3->text(), QStringLiteral("ユーザー指定 (チェックは非表示)"));
        QCOMPARE(Form2().Shape1->size(), QSize(48, 50));
        for (QScrollBar* bar : {Form2().ScrollR, Form2().ScrollG, Form2().ScrollB}) {
            QCOMPARE(bar->orientation(), Qt::Horizontal);
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), 255);
            QCOMPARE(bar->value(), 0);
        }
        QCOMPARE(Form2().SwatchColour(), 0u);
        const QStringList etc = {"アイテムドロップ",       "経験値取得",         "サーチコメント",
                                 "リンクシェルメッセージ", "スキルアップ",       "レベルアップ、ダウン",
                                 "サービスメッセージ",     "モンスターを倒した", "(ユーザー指定)"};
        QCOMPARE(Form2().CheckListBox1->count(), 9);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(Form2().CheckListBox1->item(i)->text(), etc[i]);
            QCOMPARE(Form2().CheckListBox1->item(i)->checkState(), Qt::Unchecked);
        }
        QCOMPARE(Form2().CheckListBox2->count(), 0);
        QVERIFY(!Form2().CheckListBox2->isEnabled());
        QVERIFY(!Form2().Label3->isEnabled());
        QCOMPARE(Word(), 0u);
        for (int bit = 0; bit < 7; ++bit) QVERIFY(!Form1().ChannelAction(bit, false)->isChecked());
    }

    void startsFromTheSavedFiles() {
        Settings(10, 20, 30, 0x5A, FilterBit::ItemDrop | FilterBit::UserSpecified | 0x80 | FilterBit::Tell);
        // An entry with a Shift-JIS name ("アイ"), a comment and a ticked entry.
        WriteFile(Flt(), "0,1,\x83\x41\x83\x43\r\n# note\r\n1,4,Bob\r\n");
        Start();
        QCOMPARE(Form2().ScrollR->value(), 10);
        QCOMPARE(Form2().ScrollG->value(), 20);
        QCOMPARE(Form2().ScrollB->value(), 30);
        QCOMPARE(Form2().SwatchColour(), 10u | 20u << 8 | 30u << 16);
        QCOMPARE(DisplayBackground(Form1()), QColor(10, 20, 30));
        for (int i = 0; i < 9; ++i)
            QCOMPARE(Form2().CheckListBox1->item(i)->checkState(), (i == 0 || i == 8) ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(Form2().CheckListBox2->count(), 2);
        QCOMPARE(Form2().CheckListBox2->item(0)->text(), QStringLiteral("アイ"));
        QCOMPARE(Form2().CheckListBox2->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(Form2().CheckListBox2->item(1)->text(), QStringLiteral("Bob"));
        QCOMPARE(Form2().CheckListBox2->item(1)->checkState(), Qt::Checked);
        // Bit 24 set: the list and its label are greyed.
        QVERIFY(!Form2().CheckListBox2->isEnabled());
        QVERIFY(!Form2().Label3->isEnabled());
        // Filling the lists changed nothing.
        QCOMPARE(Word(), FilterBit::ItemDrop | FilterBit::UserSpecified | 0x80u | FilterBit::Tell);
        QVERIFY(!w_->state.users[0].ticked);
        QVERIFY(w_->state.users[1].ticked);
    }

    void scrollBarsChangeSwatchSettingsAndDisplay() {
        Start();
        Form2().ScrollR->setValue(200);
        QCOMPARE(Form2().SwatchColour(), 200u);
        QCOMPARE(w_->state.settings.red(), 200);
        QCOMPARE(DisplayBackground(Form1()), QColor(200, 0, 0));
        Form2().ScrollG->setValue(100);
        Form2().ScrollB->setValue(50);
        QCOMPARE(Form2().SwatchColour(), 200u | 100u << 8 | 50u << 16);
        QCOMPARE(w_->state.settings.green(), 100);
        QCOMPARE(w_->state.settings.blue(), 50);
        QCOMPARE(Form2().Shape1->palette().color(QPalette::Window), QColor(200, 100, 50));
        QCOMPARE(DisplayBackground(Form1()), QColor(200, 100, 50));
        // A step of the bar as the user makes it.
        Form2().ScrollB->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(w_->state.settings.blue(), 51);
        QCOMPARE(DisplayBackground(Form1()), QColor(200, 100, 51));
        QCOMPARE(Word(), 0u);  // nothing else touched
    }

    void etcChecklistSetsBitsAndRereads() {
        Settings(0, 0, 0, 0, FilterBit::Say | 0x8000);
        Start();
        QVERIFY(!LoadSample().isEmpty());
        const int shown = Form1().Display()->LineCount();

        Tick(Form2().CheckListBox1, 0, true);  // "アイテムドロップ"
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::ItemDrop);
        QCOMPARE(Form1().Display()->LineCount(), shown - 5);

        Tick(Form2().CheckListBox1, 7, true);  // "モンスターを倒した"
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::ItemDrop | FilterBit::MonsterDefeated);
        Tick(Form2().CheckListBox1, 0, false);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | FilterBit::MonsterDefeated);
        QCOMPARE(Form1().Display()->LineCount(), shown);

        for (int i = 0; i < 9; ++i) Tick(Form2().CheckListBox1, i, true);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u | 0x1FF0000u);
        for (int i = 0; i < 9; ++i) Tick(Form2().CheckListBox1, i, false);
        QCOMPARE(Word(), FilterBit::Say | 0x8000u);
    }

    void etcChecklistRereadsTheFileFromDisk() {
        Start();
        const QString log = LoadSample();
        const int shown = Form1().Display()->LineCount();
        WriteFile(log, LogBytes({Record(1, "Amy : more")}), true);  // a second block
        Tick(Form2().CheckListBox1, 2, true);                       // "サーチコメント": hides nothing here
        QCOMPARE(Form1().Display()->LineCount(), shown + 1);
    }

    void tickWithoutALogReadsNothing() {
        WriteFile(Flt(), "0,200,Foo\r\n");
        Start();
        QVERIFY(Form1().CurrentLogPath().empty());
        Tick(Form2().CheckListBox1, 1, true);
        QCOMPARE(Word(), FilterBit::Experience);
        Tick(Form2().CheckListBox2, 0, true);
        QVERIFY(w_->state.users[0].ticked);
        QVERIFY(Form1().CurrentLogPath().empty());
        QCOMPARE(Form1().windowTitle(), QStringLiteral("Tarq Log Viewer"));
    }

    void userListGreyingRules() {
        // Empty list: greyed whatever bit 24 says.
        Start();
        Tick(Form2().CheckListBox1, 8, true);
        Tick(Form2().CheckListBox1, 8, false);
        QVERIFY(!Form2().CheckListBox2->isEnabled());
        QVERIFY(!Form2().Label3->isEnabled());
        w_.reset();

        WriteFile(Flt(), "0,200,Foo\r\n");
        Start();
        QVERIFY(Form2().CheckListBox2->isEnabled());
        QVERIFY(Form2().Label3->isEnabled());
        Tick(Form2().CheckListBox1, 8, true);  // "(ユーザー指定)"
        QCOMPARE(Word(), FilterBit::UserSpecified);
        QVERIFY(!Form2().CheckListBox2->isEnabled());
        QVERIFY(!Form2().Label3->isEnabled());
        Tick(Form2().CheckListBox1, 8, false);
        QVERIFY(Form2().CheckListBox2->isEnabled());
        QVERIFY(Form2().Label3->isEnabled());
        // Another item leaves the list as it is.
        Tick(Form2().CheckListBox1, 3, true);
        QVERIFY(Form2().CheckListBox2->isEnabled());
    }

    void userListTickRereadsUnlessBit24() {
        // Entry for type 200, unticked: those records are the user category.
        WriteFile(Flt(), "0,200,Foo\r\n1,1,Bar\r\n");
        Settings(0, 0, 0, 0, FilterBit::Etc);
        Start();
        const QString log = LoadSample();
        const int shown = Form1().Display()->LineCount();

        // Ticking the entry gives type 200 back to "etc", which hides it.
        Tick(Form2().CheckListBox2, 0, true);
        QVERIFY(w_->state.users[0].ticked);
        QCOMPARE(Form1().Display()->LineCount(), shown - 2);
        Tick(Form2().CheckListBox2, 0, false);
        QVERIFY(!w_->state.users[0].ticked);
        QCOMPARE(Form1().Display()->LineCount(), shown);

        // With "(ユーザー指定)" ticked the flag follows the box but nothing is read:
        // a block added to the file does not show up.
        Tick(Form2().CheckListBox1, 8, true);
        const int hidden = Form1().Display()->LineCount();
        QCOMPARE(hidden, shown - 2);  // the user category is hidden now
        WriteFile(log, LogBytes({Record(1, "Amy : more")}), true);
        Tick(Form2().CheckListBox2, 1, false);
        QVERIFY(!w_->state.users[1].ticked);
        Tick(Form2().CheckListBox2, 0, true);
        QVERIFY(w_->state.users[0].ticked);
        QCOMPARE(Form1().Display()->LineCount(), hidden);
    }

    void placementBesideAndAtTheRightEdge() {
        Start();
        const QRect desktop = Form1().screen()->geometry();
        const int right = desktop.x() + desktop.width();
        Form1().show();
        Form1().move(right - Form1().frameGeometry().width() - 194 - 10, desktop.y() + 25);
        const QRect main = Form1().frameGeometry();
        Form1().Option1Click();
        QVERIFY(Form2().isVisible());
        QCOMPARE(Form2().frameGeometry().topLeft(), QPoint(main.x() + main.width(), main.y()));
        Form1().Option1Click();
        QVERIFY(!Form2().isVisible());

        Form1().move(right - main.width() - 40, desktop.y() + 60);
        Form1().Option1Click();
        QCOMPARE(Form2().frameGeometry().x() + Form2().frameGeometry().width(), right);
        QCOMPARE(Form2().frameGeometry().y(), Form1().frameGeometry().y());
    }

    void closeBoxClearsBothCheckMarks() {
        Start();
        Form1().show();
        Form1().Option1Click();
        QVERIFY(Form2().isVisible());
        QVERIFY(Form1().OptionAction(false)->isChecked());
        QVERIFY(Form1().OptionAction(true)->isChecked());
        QVERIFY(Form2().close());
        QVERIFY(!Form2().isVisible());
        QVERIFY(!Form1().OptionAction(false)->isChecked());
        QVERIFY(!Form1().OptionAction(true)->isChecked());

        // Escape closes it the same way.
        Form1().Option1Click();
        QVERIFY(Form2().isVisible());
        QTest::keyClick(&Form2(), Qt::Key_Escape);
        QVERIFY(!Form2().isVisible());
        QVERIFY(!Form1().OptionAction(false)->isChecked());
        QVERIFY(!Form1().OptionAction(true)->isChecked());
    }

    void filesWrittenWhenDestroyed() {
        Settings(1, 2, 3, 0x5A, 0x80000080u);
        WriteFile(Flt(), "  0, 200, Foo  \r\n# note\r\n\r\n5,4,Bob trailing\r\n");
        Start();
        Form2().ScrollG->setValue(255);
        Tick(Form2().CheckListBox1, 1, true);
        Tick(Form2().CheckListBox2, 0, true);
        Tick(Form2().CheckListBox2, 1, false);
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
        Form2().ScrollR->setValue(7);
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
