// Widget tests of the catcher window and its helpers. Run offscreen.
#include <QAction>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <memory>

#include "Lcmain.h"
#include "catcher_text.h"
#include "command_line.h"
#include "settings_location.h"
#include "signal_bridge.h"
#include "single_instance.h"
#include "test_files.h"

using namespace chatkeeper;
using namespace chatkeeper::app;

using catchertest::ReadAll;
using catchertest::WriteAll;

namespace {

const QString kDefaultTemplate = QStringLiteral("TARQ#YY#MM#DD_#HH#MN_#SS.log");

std::int32_t Int32At(const QByteArray& bytes, int offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);  // little-endian host
    return value;
}

std::uint16_t UInt16At(const QByteArray& bytes, int offset) {
    std::uint16_t value = 0;
    std::memcpy(&value, bytes.constData() + offset, sizeof value);
    return value;
}

// The text field at offset: its bytes up to the first NUL, and whether the
// rest of the 1024-byte field is all NUL.
QByteArray TextField(const QByteArray& bytes, int offset, bool* restIsNul = nullptr) {
    const QByteArray field = bytes.mid(offset, 1024);
    const qsizetype end = field.indexOf('\0');
    const QByteArray text = end < 0 ? field : field.left(end);
    if (restIsNul) {
        *restIsNul = end >= 0;
        for (qsizetype i = end; i >= 0 && i < field.size(); ++i)
            if (field[i] != '\0') *restIsNul = false;
    }
    return text;
}

QByteArray Sjis(const QString& text) {
    const std::string bytes = ToShiftJis(text);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

class TestCatcherWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString CnfPath() const { return dir_.filePath(QStringLiteral("chatkeeper.cnf")); }

    std::unique_ptr<TForm1> MakeForm(bool trayIcon = true) {
        TForm1::Options options;
        options.settingsPath = CnfPath();
        options.trayIcon = trayIcon;
        return std::make_unique<TForm1>(options);
    }

    SettingsRecord RecordWith(RotationMode mode, RotationInterval interval) {
        SettingsRecord record;
        record.SetGameLogFolder("/games/log");
        record.SetArchiveFolder("/archive");
        record.SetFileNameTemplate("chat#YYYY.log");
        record.SetMode(mode);
        record.SetSizeLimitKb(300);
        record.SetInterval(interval);
        return record;
    }

private slots:
    void initTestCase() {
        // The tray icon's X11 fallback looks for a signal that the offscreen
        // platform lacks; that warning says nothing about the window.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.core.qobject.connect.warning=false"));
    }

    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(CnfPath());
    }

    void initialStateWithoutSettingsFile() {
        auto form = MakeForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Tarq Log Catcher"));
        QVERIFY(!form->isVisible());
        QCOMPARE(form->size(), QSize(365, 173));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(form->windowFlags().testFlag(Qt::Tool));

        QVERIFY(form->Edit1->text().isEmpty());
        QVERIFY(form->Edit2->text().isEmpty());
        QCOMPARE(form->Edit3->text(), kDefaultTemplate);
        QCOMPARE(form->Edit4->text(), QStringLiteral("100"));
        QVERIFY(!form->Edit4->isEnabled());
        QCOMPARE(form->Time1->time(), QTime(2, 0, 0));
        QCOMPARE(form->Time1->displayFormat(), QStringLiteral("HH:mm:ss"));
        QVERIFY(!form->Time1->isEnabled());
        QVERIFY(!form->RadioButton1->isChecked());
        QVERIFY(!form->RadioButton2->isChecked());
        QVERIFY(form->RadioButton3->isChecked());
        QCOMPARE(form->Mode(), RotationMode::RotateNever);
        QCOMPARE(form->Engine().GetRotationInterval(), RotationInterval{});

        QCOMPARE(form->Timer1->interval(), 10000);
        QVERIFY(form->Timer1->isActive());

        QVERIFY(form->HasTrayIcon());
        QCOMPARE(form->TrayIcon()->toolTip(), QStringLiteral("chatkeeper"));
        QVERIFY(!form->TrayIcon()->icon().isNull());

        const QList<QAction*> items = form->Popup1->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("設定"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("終了"));
    }

    void captionsAndGeometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");  // empty: only the position is fixed
        QTest::newRow("Label1") << "Label1"
                                << "TARQ内ログフォルダ" << QRect(4, 4, 0, 0);
        QTest::newRow("Edit1") << "Edit1"
                               << "" << QRect(4, 18, 309, 20);
        QTest::newRow("Button1") << "Button1"
                                 << "参照" << QRect(319, 20, 42, 17);
        QTest::newRow("Label2") << "Label2"
                                << "ログ保存フォルダ" << QRect(4, 44, 0, 0);
        QTest::newRow("Edit2") << "Edit2"
                               << "" << QRect(4, 58, 309, 20);
        QTest::newRow("Button2") << "Button2"
                                 << "参照" << QRect(319, 60, 42, 17);
        QTest::newRow("Label3") << "Label3"
                                << "ログファイル名設定" << QRect(4, 84, 0, 0);
        QTest::newRow("Edit3") << "Edit3" << kDefaultTemplate << QRect(4, 100, 309, 20);
        QTest::newRow("Button3") << "Button3"
                                 << "初期化" << QRect(320, 101, 42, 17);
        QTest::newRow("GroupBox1") << "GroupBox1"
                                   << "ログファイル更新タイミング" << QRect(4, 128, 357, 41);
        QTest::newRow("RadioButton1") << "RadioButton1"
                                      << "時間" << QRect(8, 15, 49, 17);
        QTest::newRow("Time1") << "Time1"
                               << "" << QRect(52, 14, 62, 20);
        QTest::newRow("Label5") << "Label5"
                                << "毎" << QRect(118, 17, 0, 0);
        QTest::newRow("RadioButton2") << "RadioButton2"
                                      << "容量" << QRect(136, 15, 49, 17);
        QTest::newRow("Edit4") << "Edit4"
                               << "100" << QRect(184, 14, 30, 20);
        QTest::newRow("Label4") << "Label4"
                                << "Kbyte程度" << QRect(216, 17, 0, 0);
        QTest::newRow("RadioButton3") << "RadioButton3"
                                      << "更新しない" << QRect(276, 15, 75, 17);
    }

    void captionsAndGeometry() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        auto form = MakeForm();
        auto* widget = form->findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget))
            shown = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            shown = button->text();
        else if (auto* edit = qobject_cast<QLineEdit*>(widget))
            shown = edit->text();
        else if (auto* group = qobject_cast<QGroupBox*>(widget))
            shown = group->title();
        if (!qobject_cast<QTimeEdit*>(widget)) QCOMPARE(shown, text);
        if (geometry.width() > 0)
            QCOMPARE(widget->geometry(), geometry);
        else
            QCOMPARE(widget->pos(), geometry.topLeft());
    }

    void radioButtonsEnableThePickerAndTheSizeBox() {
        auto form = MakeForm();
        form->RadioButton1->click();
        QVERIFY(form->Time1->isEnabled());
        QVERIFY(!form->Edit4->isEnabled());
        QCOMPARE(form->Mode(), RotationMode::RotateByTime);

        form->RadioButton2->click();
        QVERIFY(!form->Time1->isEnabled());
        QVERIFY(form->Edit4->isEnabled());
        QVERIFY(!form->RadioButton1->isChecked());
        QCOMPARE(form->Mode(), RotationMode::RotateBySize);

        form->RadioButton3->click();
        QVERIFY(!form->Time1->isEnabled());
        QVERIFY(!form->Edit4->isEnabled());
        QCOMPARE(form->Mode(), RotationMode::RotateNever);
    }

    void edit4Exit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("negative") << "-5"
                                  << "100";
        QTest::newRow("not a number") << "abc"
                                      << "100";
        QTest::newRow("empty") << ""
                               << "100";
        QTest::newRow("trailing junk") << "12k"
                                       << "100";
        QTest::newRow("full-width digits") << "１２"
                                           << "100";
        QTest::newRow("zero stays") << "0"
                                    << "0";
        QTest::newRow("positive stays") << "250"
                                        << "250";
        QTest::newRow("plus sign stays") << "+7"
                                         << "+7";
        QTest::newRow("beyond 32 bits") << "99999999999"
                                        << "100";
    }

    void edit4Exit() {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        auto form = MakeForm();
        form->RadioButton2->click();
        form->Edit4->setText(typed);
        form->Edit4Exit();
        QCOMPARE(form->Edit4->text(), after);

        // Leaving the box runs the same correction.
        form->Edit4->setText(typed);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(form->Edit4, &focusOut);
        QCOMPARE(form->Edit4->text(), after);
    }

    void edit4KeepsItsTextWhileItsMenuIsOpen() {
        auto form = MakeForm();
        form->Edit4->setText(QStringLiteral("-"));  // half typed
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(form->Edit4, &toPopup);
        QCOMPARE(form->Edit4->text(), QStringLiteral("-"));
    }

    void button3RestoresTheDefaultTemplate() {
        auto form = MakeForm();
        form->Edit3->setText(QStringLiteral("mine.log"));
        form->Button3->click();
        QCOMPARE(form->Edit3->text(), kDefaultTemplate);
    }

    void folderPromptsFillTheirBoxUnlessCancelled() {
        auto form = MakeForm();
        QStringList titles;
        QString answer = QStringLiteral("/home/user/ゲーム/log");
        form->BrowseForFolder = [&](QWidget* owner, const QString& title) {
            if (owner != form.get()) titles << QStringLiteral("wrong owner");
            titles << title;
            return answer;
        };
        form->Button1->click();
        QCOMPARE(form->Edit1->text(), answer);
        form->Button2->click();
        QCOMPARE(form->Edit2->text(), answer);
        QCOMPARE(titles, QStringList({QStringLiteral("TARQのインストール先を指定してください。"),
                                      QStringLiteral("ログの保存先を指定してください。")}));

        answer.clear();  // Cancel
        form->Edit1->setText(QStringLiteral("kept1"));
        form->Edit2->setText(QStringLiteral("kept2"));
        form->Button1->click();
        form->Button2->click();
        QCOMPARE(form->Edit1->text(), QStringLiteral("kept1"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("kept2"));
    }

    void closingHidesTheWindowAndKeepsRunning() {
        auto form = MakeForm();
        QSignalSpy exits(form.get(), &TForm1::ExitConfirmed);
        form->Config1->trigger();  // "設定"
        QVERIFY(form->isVisible());
        QVERIFY(!form->close());
        QVERIFY(!form->isVisible());
        QCOMPARE(exits.count(), 0);
        QVERIFY(!form->ExitRequested());
        QVERIFY(form->Timer1->isActive());
        QVERIFY(!QFile::exists(CnfPath()));
    }

    void trayIconClicks() {
        auto form = MakeForm();
        QSystemTrayIcon* tray = form->TrayIcon();
        QVERIFY(tray);
        emit tray->activated(QSystemTrayIcon::Trigger);  // left click shows
        QVERIFY(form->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);  // ignored
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        QVERIFY(form->isVisible());
        QVERIFY(!form->Popup1->isVisible());
        emit tray->activated(QSystemTrayIcon::Context);  // right click: the popup, window unchanged
        QTRY_VERIFY(form->Popup1->isVisible());
        QVERIFY(form->isVisible());
        form->Popup1->hide();
        emit tray->activated(QSystemTrayIcon::Trigger);  // left click hides
        QVERIFY(!form->isVisible());
        emit tray->activated(QSystemTrayIcon::Context);  // popup also while hidden
        QTRY_VERIFY(form->Popup1->isVisible());
        QVERIFY(!form->isVisible());
        form->Popup1->hide();
    }

    void withoutTrayClosingEndsTheCatcher() {
        auto form = MakeForm(/*trayIcon=*/false);
        QVERIFY(!form->HasTrayIcon());
        QVERIFY(!form->windowFlags().testFlag(Qt::Tool));
        QSignalSpy exits(form.get(), &TForm1::ExitConfirmed);
        form->show();
        QVERIFY(form->close());
        QCOMPARE(exits.count(), 1);
        form.reset();
        QCOMPARE(ReadAll(CnfPath()).size(), 3088);
    }

    void exitWritesTheSettingsFile() {
        auto form = MakeForm();
        QSignalSpy exits(form.get(), &TForm1::ExitConfirmed);
        form->Edit1->setText(QStringLiteral("/home/ユーザ/ゲーム"));
        form->Edit2->setText(QStringLiteral("/archive"));
        form->Edit3->setText(QStringLiteral("ログ#YY#MM.log"));
        form->RadioButton2->click();
        form->Edit4->setText(QStringLiteral("250"));
        form->Time1->setTime(QTime(3, 4, 5));

        form->Exit1->trigger();  // "終了"
        QVERIFY(form->ExitRequested());
        QCOMPARE(exits.count(), 1);
        QVERIFY(!form->isVisible());
        form.reset();  // FormDestroy: icon removed, settings written

        const QByteArray bytes = ReadAll(CnfPath());
        QCOMPARE(bytes.size(), 3088);
        bool nulFilled = false;
        QCOMPARE(TextField(bytes, 0, &nulFilled), Sjis(QStringLiteral("/home/ユーザ/ゲーム")));
        QVERIFY(nulFilled);
        QCOMPARE(TextField(bytes, 1024, &nulFilled), QByteArray("/archive"));
        QVERIFY(nulFilled);
        QCOMPARE(TextField(bytes, 2048, &nulFilled), Sjis(QStringLiteral("ログ#YY#MM.log")));
        QVERIFY(nulFilled);
        QCOMPARE(Int32At(bytes, 3072), 2);
        QCOMPARE(Int32At(bytes, 3076), 250);
        QCOMPARE(UInt16At(bytes, 3080), 3);
        QCOMPARE(UInt16At(bytes, 3082), 4);
        QCOMPARE(UInt16At(bytes, 3084), 5);
        QCOMPARE(UInt16At(bytes, 3086), 0);
    }

    void savingConvertsAnUncorrectedSizeBox() {
        auto form = MakeForm();
        form->Edit4->setText(QStringLiteral("x1"));  // never left through focus
        form->SaveSettings();
        QCOMPARE(Int32At(ReadAll(CnfPath()), 3076), 100);
        form->Edit4->setText(QStringLiteral("-3"));
        form->SaveSettings();
        QCOMPARE(Int32At(ReadAll(CnfPath()), 3076), -3);
    }

    void loadingModeOneWithOneAndAHalfHours() {
        SettingsRecord record = RecordWith(RotationMode::RotateByTime, {1, 30, 0});
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        auto form = MakeForm();
        QVERIFY(form->RadioButton1->isChecked());
        QVERIFY(form->Time1->isEnabled());
        QVERIFY(!form->Edit4->isEnabled());
        QCOMPARE(form->Time1->time(), QTime(1, 30, 0));
        QCOMPARE(form->Engine().GetRotationInterval(), (RotationInterval{1, 30, 0}));
        QCOMPARE(form->Edit1->text(), QStringLiteral("/games/log"));
        QCOMPARE(form->Edit2->text(), QStringLiteral("/archive"));
        QCOMPARE(form->Edit3->text(), QStringLiteral("chat#YYYY.log"));
        QCOMPARE(form->Edit4->text(), QStringLiteral("300"));
    }

    void loadingModeTwoAndAnUnknownMode() {
        SettingsRecord record = RecordWith(RotationMode::RotateBySize, {0, 0, 0});
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        {
            auto form = MakeForm();
            QVERIFY(form->RadioButton2->isChecked());
            QVERIFY(form->Edit4->isEnabled());
            QVERIFY(!form->Time1->isEnabled());
        }
        record.SetModeValue(7);
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        auto form = MakeForm();
        QVERIFY(form->RadioButton3->isChecked());
        QVERIFY(!form->Edit4->isEnabled());
        QVERIFY(!form->Time1->isEnabled());
    }

    void loadingAnEmptyFile() {
        QVERIFY(WriteAll(CnfPath(), QByteArray()));
        auto form = MakeForm();
        QVERIFY(form->Edit1->text().isEmpty());
        QVERIFY(form->Edit2->text().isEmpty());
        QVERIFY(form->Edit3->text().isEmpty());
        QCOMPARE(form->Edit4->text(), QStringLiteral("0"));
        QVERIFY(form->RadioButton3->isChecked());
        QCOMPARE(form->Time1->time(), QTime(0, 0, 0));
    }

    void reservedBytesAreCarriedOver() {
        SettingsRecord record = RecordWith(RotationMode::RotateNever, {2, 0, 0});
        record.bytes[3086] = 0xEF;
        record.bytes[3087] = 0xBE;
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        MakeForm().reset();
        const QByteArray bytes = ReadAll(CnfPath());
        QCOMPARE(bytes.size(), 3088);
        QCOMPARE(UInt16At(bytes, 3086), 0xBEEF);
    }

    void templateIsCutAtACharacterBoundary() {
        auto form = MakeForm();
        // 600 double-byte characters: 1200 Shift-JIS bytes; 511 of them fit in 1023.
        form->Edit3->setText(QString(600, QChar(0x30A2)));  // ア
        QCOMPARE(QString::fromStdString(form->FileNameTemplate()), QString(511, QChar(0x30A2)));
        form->SaveSettings();
        const QByteArray bytes = ReadAll(CnfPath());
        QCOMPARE(TextField(bytes, 2048), Sjis(QString(511, QChar(0x30A2))));
    }

    void captureThroughTheWindowUsesFileNames() {
        // Folders with Japanese names are found on disk: the engine gets the
        // file-name encoding, the settings file gets Shift-JIS.
        QTemporaryDir root;
        const QString game = root.filePath(QStringLiteral("ゲーム"));
        const QString archive = root.filePath(QStringLiteral("保存"));
        QVERIFY(QDir().mkpath(game));
        QVERIFY(QDir().mkpath(archive));
        auto form = MakeForm();
        form->Timer1->stop();
        form->Edit1->setText(game);
        form->Edit2->setText(archive);
        form->Edit3->setText(QStringLiteral("記録.log"));

        QByteArray content(3000, '\0');
        for (int i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
        QVERIFY(WriteAll(game + QStringLiteral("/5.log"), content));
        form->Timer1Timer();

        QCOMPARE(ReadAll(archive + QStringLiteral("/記録.log")), content);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tarq Log Catcher [記録.log]"));
    }

    void settingsFileLocation() {
        QTemporaryDir exeDir;
        const QString exe = exeDir.filePath(QStringLiteral("chatkeeper"));
        QCOMPARE(ResolveSettingsPath(exe, QStringLiteral("/cfg")), exe + QStringLiteral(".cnf"));
        const QString missingDir = exeDir.filePath(QStringLiteral("gone/chatkeeper"));
        QCOMPARE(ResolveSettingsPath(missingDir, QStringLiteral("/cfg")),
                 QStringLiteral("/cfg/chatkeeper/chatkeeper.cnf"));
    }

    void savingIntoAFolderNotYetMade() {
        TForm1::Options options;
        options.settingsPath = dir_.filePath(QStringLiteral("cfg/chatkeeper/chatkeeper.cnf"));
        std::make_unique<TForm1>(options).reset();
        QCOMPARE(ReadAll(options.settingsPath).size(), 3088);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("headless");
        QTest::addColumn<QString>("cnf");
        using A = CommandLine::Action;
        QTest::newRow("none") << QStringList{} << int(A::Run) << false << "";
        QTest::newRow("headless cnf") << QStringList{"--headless", "--cnf", "x.cnf"} << int(A::Run) << true << "x.cnf";
        QTest::newRow("cnf=") << QStringList{"--cnf=y.cnf"} << int(A::Run) << false << "y.cnf";
        QTest::newRow("cnf missing") << QStringList{"--cnf"} << int(A::Error) << false << "";
        QTest::newRow("cnf empty") << QStringList{"--cnf="} << int(A::Error) << false << "";
        QTest::newRow("unknown") << QStringList{"--tray"} << int(A::Error) << false << "";
        QTest::newRow("stray word") << QStringList{"file"} << int(A::Error) << false << "";
        QTest::newRow("help wins") << QStringList{"--version", "--help"} << int(A::Help) << false << "";
        QTest::newRow("version") << QStringList{"--version"} << int(A::Version) << false << "";
    }

    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, action);
        QFETCH(bool, headless);
        QFETCH(QString, cnf);
        std::vector<std::string> argv;
        for (const QString& arg : args) argv.push_back(arg.toStdString());
        const CommandLine parsed = ParseCommandLine(argv);
        QCOMPARE(int(parsed.action), action);
        if (parsed.action == CommandLine::Action::Error) {
            QVERIFY(!parsed.error.empty());
            return;
        }
        QCOMPARE(parsed.headless, headless);
        QCOMPARE(QString::fromStdString(parsed.settingsFile), cnf);
    }

    void singleInstanceLock() {
        const QString path = dir_.filePath(QStringLiteral("chatkeeperID"));
        {
            SingleInstanceLock first(path);
            QVERIFY(first.TryLock());
            SingleInstanceLock second(path);
            QVERIFY(!second.TryLock());
        }
        // Released with its owner.
        SingleInstanceLock again(path);
        QVERIFY(again.TryLock());
    }

    void staleLockDoesNotBlock() {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);  // the process id is now free

        const QString path = dir_.filePath(QStringLiteral("chatkeeperID"));
        QVERIFY(
            WriteAll(path, QByteArray::number(child) + "\nchatkeeper\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        SingleInstanceLock lock(path);
        QVERIFY(lock.TryLock());
    }

    void signalBridgeDeliversOnTheEventLoop() {
        SignalBridge bridge({SIGUSR1});
        QVERIFY(bridge.IsValid());
        QSignalSpy received(&bridge, &SignalBridge::Received);
        ::raise(SIGUSR1);
        ::raise(SIGUSR1);
        QTRY_COMPARE(received.count(), 2);
        QCOMPARE(received.at(0).at(0).toInt(), SIGUSR1);
    }

    void textConversions() {
        const QString text = QStringLiteral("TARQ内ログ～");
        QCOMPARE(Sjis(text).toHex(), QByteArray("5441525193e0838d834f8160"));
        QCOMPARE(FromShiftJis(ToShiftJis(text)), text);
        QCOMPARE(FromFileName(ToFileName(text)), text);
        QCOMPARE(CutToShiftJisBytes(QStringLiteral("abアイ"), 5), QStringLiteral("abア"));
        QCOMPARE(CutToShiftJisBytes(QStringLiteral("abアイ"), 6), QStringLiteral("abアイ"));
    }
};

QTEST_MAIN(TestCatcherWindow)
#include "tst_catcherwindow.moc"
