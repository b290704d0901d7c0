// Widget tests of the catcher window and its helpers. Run offscreen.
#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
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
#include <QWheelEvent>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <memory>

#include "autostart_entry.h"
#include "catcher_text.h"
#include "catcher_window.h"
#include "command_line.h"
#include "qt_support/signal_bridge.h"
#include "settings_location.h"
#include "single_instance.h"
#include "sjis/shift_jis.h"
#include "test_support/test_files.h"

using namespace chatkeeper;
using namespace chatkeeper::app;

using testsupport::ReadFile;
using testsupport::WriteFile;

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
QByteArray FieldText(const QByteArray& bytes, int offset, bool* restIsNul = nullptr) {
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
    const std::string bytes = sjis::Encode(text);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The window's controls, timer, menu and actions, found by their object names
// as any outside tool finds them.
struct Parts {
    explicit Parts(const QObject& window) : window_(window) {}
    template <typename T> T* Named(const char* name) const {
        T* found = window_.findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no %s named %s", T::staticMetaObject.className(), name);
        return found;
    }
    QLineEdit* gameFolderEdit() const { return Named<QLineEdit>("gameFolderEdit"); }
    QPushButton* gameFolderButton() const { return Named<QPushButton>("gameFolderButton"); }
    QLineEdit* archiveFolderEdit() const { return Named<QLineEdit>("archiveFolderEdit"); }
    QPushButton* archiveFolderButton() const { return Named<QPushButton>("archiveFolderButton"); }
    QLineEdit* nameTemplateEdit() const { return Named<QLineEdit>("nameTemplateEdit"); }
    QPushButton* resetTemplateButton() const { return Named<QPushButton>("resetTemplateButton"); }
    QRadioButton* byTimeButton() const { return Named<QRadioButton>("byTimeButton"); }
    QTimeEdit* rotationTimeEdit() const { return Named<QTimeEdit>("rotationTimeEdit"); }
    QRadioButton* bySizeButton() const { return Named<QRadioButton>("bySizeButton"); }
    QLineEdit* sizeLimitEdit() const { return Named<QLineEdit>("sizeLimitEdit"); }
    QRadioButton* neverButton() const { return Named<QRadioButton>("neverButton"); }
    QTimer* captureTimer() const { return Named<QTimer>("captureTimer"); }
    QMenu* trayMenu() const { return Named<QMenu>("trayMenu"); }
    QAction* settingsAction() const { return Named<QAction>("settingsAction"); }
    QAction* startAtLoginAction() const { return Named<QAction>("startAtLoginAction"); }
    QAction* exitAction() const { return Named<QAction>("exitAction"); }

private:
    const QObject& window_;
};

Parts PartsOf(const QObject& window) { return Parts(window); }

}  // namespace

class TestCatcherWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString CnfPath() const { return dir_.filePath(QStringLiteral("chatkeeper.cnf")); }
    QString AutostartPath() const { return dir_.filePath(QStringLiteral("autostart/chatkeeper.desktop")); }

    std::unique_ptr<CatcherWindow> MakeWindow(bool trayIcon = true) {
        CatcherWindow::Options options;
        options.settingsPath = CnfPath();
        options.trayIcon = trayIcon;
        options.autostartEntryPath = AutostartPath();
        return std::make_unique<CatcherWindow>(options);
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
        auto window = MakeWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarq Log Catcher"));
        QVERIFY(!window->isVisible());
        QCOMPARE(window->size(), QSize(365, 173));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(window->windowFlags().testFlag(Qt::Tool));

        QVERIFY(PartsOf(*window).gameFolderEdit()->text().isEmpty());
        QVERIFY(PartsOf(*window).archiveFolderEdit()->text().isEmpty());
        QCOMPARE(PartsOf(*window).nameTemplateEdit()->text(), kDefaultTemplate);
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), QStringLiteral("100"));
        QVERIFY(!PartsOf(*window).sizeLimitEdit()->isEnabled());
        QCOMPARE(PartsOf(*window).rotationTimeEdit()->time(), QTime(2, 0, 0));
        QCOMPARE(PartsOf(*window).rotationTimeEdit()->displayFormat(), QStringLiteral("HH:mm:ss"));
        QVERIFY(!PartsOf(*window).rotationTimeEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).byTimeButton()->isChecked());
        QVERIFY(!PartsOf(*window).bySizeButton()->isChecked());
        QVERIFY(PartsOf(*window).neverButton()->isChecked());
        QCOMPARE(window->Settings().mode, RotationMode::RotateNever);
        QCOMPARE(window->Engine().GetRotationInterval(), RotationInterval{});

        QCOMPARE(PartsOf(*window).captureTimer()->interval(), 10000);
        QVERIFY(PartsOf(*window).captureTimer()->isActive());

        QVERIFY(window->HasTrayIcon());
        QCOMPARE(window->TrayIcon()->toolTip(),
                 QStringLiteral("chatkeeper: ゲームのログフォルダーとログ保存フォルダーが未設定"));
        QVERIFY(!window->TrayIcon()->icon().isNull());

        // The tray shows the menu itself: an X tray on a right click, a
        // StatusNotifierItem host from the exported menu.
        QCOMPARE(window->TrayIcon()->contextMenu(), PartsOf(*window).trayMenu());
        const QList<QAction*> items = PartsOf(*window).trayMenu()->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0]->text(), QStringLiteral("設定"));
        QCOMPARE(items[1]->text(), QStringLiteral("ログイン時に起動"));
        QVERIFY(items[1]->isCheckable());
        QVERIFY(!items[1]->isChecked());
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(items[3]->text(), QStringLiteral("終了"));
    }

    void captionsAndGeometry_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");  // empty: only the position is fixed
        QTest::newRow("gameFolderLabel") << "gameFolderLabel"
                                         << "TARQ内ログフォルダ" << QRect(4, 4, 0, 0);
        QTest::newRow("gameFolderEdit") << "gameFolderEdit"
                                        << "" << QRect(4, 18, 309, 20);
        QTest::newRow("gameFolderButton") << "gameFolderButton"
                                          << "参照" << QRect(319, 20, 42, 17);
        QTest::newRow("archiveFolderLabel") << "archiveFolderLabel"
                                            << "ログ保存フォルダ" << QRect(4, 44, 0, 0);
        QTest::newRow("archiveFolderEdit") << "archiveFolderEdit"
                                           << "" << QRect(4, 58, 309, 20);
        QTest::newRow("archiveFolderButton") << "archiveFolderButton"
                                             << "参照" << QRect(319, 60, 42, 17);
        QTest::newRow("nameTemplateLabel") << "nameTemplateLabel"
                                           << "ログファイル名設定" << QRect(4, 84, 0, 0);
        QTest::newRow("nameTemplateEdit") << "nameTemplateEdit" << kDefaultTemplate << QRect(4, 100, 309, 20);
        QTest::newRow("resetTemplateButton") << "resetTemplateButton"
                                             << "初期化" << QRect(320, 101, 42, 17);
        QTest::newRow("rotationGroup") << "rotationGroup"
                                       << "ログファイル更新タイミング" << QRect(4, 128, 357, 41);
        QTest::newRow("byTimeButton") << "byTimeButton"
                                      << "時間" << QRect(8, 15, 49, 17);
        QTest::newRow("rotationTimeEdit") << "rotationTimeEdit"
                                          << "" << QRect(52, 14, 62, 20);
        QTest::newRow("everyLabel") << "everyLabel"
                                    << "毎" << QRect(118, 17, 0, 0);
        QTest::newRow("bySizeButton") << "bySizeButton"
                                      << "容量" << QRect(136, 15, 49, 17);
        QTest::newRow("sizeLimitEdit") << "sizeLimitEdit"
                                       << "100" << QRect(184, 14, 30, 20);
        QTest::newRow("kbyteLabel") << "kbyteLabel"
                                    << "Kbyte程度" << QRect(216, 17, 0, 0);
        QTest::newRow("neverButton") << "neverButton"
                                     << "更新しない" << QRect(276, 15, 75, 17);
    }

    void captionsAndGeometry() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        auto window = MakeWindow();
        auto* widget = window->findChild<QWidget*>(name);
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

    void radioButtonsEnableThePickerAndTheSizeBox_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("mouse") << 0;
        QTest::newRow("setChecked") << 1;
        QTest::newRow("screen reader toggle") << 2;
    }

    void radioButtonsEnableThePickerAndTheSizeBox() {
        QFETCH(int, how);
        auto window = MakeWindow();
        auto check = [how](QRadioButton* radio) {
            if (how == 0) {
                radio->click();
            } else if (how == 1) {
                radio->setChecked(true);
            } else {
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(radio);
                QVERIFY(accessible && accessible->actionInterface());
                accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            }
            QVERIFY(radio->isChecked());
        };
        check(PartsOf(*window).byTimeButton());
        QVERIFY(PartsOf(*window).rotationTimeEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).sizeLimitEdit()->isEnabled());
        QCOMPARE(window->Settings().mode, RotationMode::RotateByTime);

        check(PartsOf(*window).bySizeButton());
        QVERIFY(!PartsOf(*window).rotationTimeEdit()->isEnabled());
        QVERIFY(PartsOf(*window).sizeLimitEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).byTimeButton()->isChecked());
        QCOMPARE(window->Settings().mode, RotationMode::RotateBySize);

        check(PartsOf(*window).neverButton());
        QVERIFY(!PartsOf(*window).rotationTimeEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).sizeLimitEdit()->isEnabled());
        QCOMPARE(window->Settings().mode, RotationMode::RotateNever);
    }

    void typingATime_data() {
        QTest::addColumn<QString>("typed");  // '\t' stands for Tab, '>' for Right
        QTest::addColumn<QTime>("time");
        QTest::newRow("with colons") << "07:45:30" << QTime(7, 45, 30);
        QTest::newRow("one-digit hour") << "7:45:30" << QTime(7, 45, 30);
        QTest::newRow("tabs") << "07\t45\t30" << QTime(7, 45, 30);
        QTest::newRow("right arrows") << "07>45>30" << QTime(7, 45, 30);
        QTest::newRow("digits only") << "074530" << QTime(7, 45, 30);
        QTest::newRow("hour that may grow") << "1:05:09" << QTime(1, 5, 9);
        QTest::newRow("hour then tab") << "1\t5\t9" << QTime(1, 5, 9);
        QTest::newRow("late") << "23:59:58" << QTime(23, 59, 58);
    }

    void typingATime() {
        QFETCH(QString, typed);
        QFETCH(QTime, time);
        auto window = MakeWindow();
        PartsOf(*window).byTimeButton()->click();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTimeEdit* edit = PartsOf(*window).rotationTimeEdit();
        PartsOf(*window).byTimeButton()->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(PartsOf(*window).byTimeButton(), Qt::Key_Tab);  // as a user reaches the box
        QTRY_VERIFY(edit->hasFocus());
        for (const QChar c : typed) {
            if (c == u'\t')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            else if (c == u'>')
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
            else
                QTest::keyClicks(QApplication::focusWidget(), QString(c));
        }
        QCOMPARE(edit->time(), time);
        QCOMPARE(window->Settings().rotationTime, (RotationInterval{time.hour(), time.minute(), time.second()}));

        // The arrow keys and the wheel still step the section under the caret.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(edit->time(), time.addSecs(1));
        const QPoint middle = edit->rect().center();
        QWheelEvent wheel(middle, edit->mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit, &wheel);
        QCOMPARE(edit->time(), time);
    }

    void sizeLimitValidation_data() {
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

    void sizeLimitValidation() {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        auto window = MakeWindow();
        PartsOf(*window).bySizeButton()->click();
        PartsOf(*window).sizeLimitEdit()->setText(typed);
        window->ValidateSizeLimit();
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), after);

        // Leaving the box runs the same correction.
        PartsOf(*window).sizeLimitEdit()->setText(typed);
        QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(PartsOf(*window).sizeLimitEdit(), &focusOut);
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), after);
    }

    void sizeBoxKeepsItsTextWhileItsMenuIsOpen() {
        auto window = MakeWindow();
        PartsOf(*window).sizeLimitEdit()->setText(QStringLiteral("-"));  // half typed
        QFocusEvent toPopup(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(PartsOf(*window).sizeLimitEdit(), &toPopup);
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), QStringLiteral("-"));
    }

    void resetRestoresTheDefaultTemplate() {
        auto window = MakeWindow();
        PartsOf(*window).nameTemplateEdit()->setText(QStringLiteral("mine.log"));
        PartsOf(*window).resetTemplateButton()->click();
        QCOMPARE(PartsOf(*window).nameTemplateEdit()->text(), kDefaultTemplate);
    }

    void folderPromptsFillTheirBoxUnlessCancelled() {
        auto window = MakeWindow();
        QStringList titles;
        QString answer = QStringLiteral("/home/user/ゲーム/log");
        window->BrowseForFolder = [&](QWidget* owner, const QString& title) {
            if (owner != window.get()) titles << QStringLiteral("wrong owner");
            titles << title;
            return answer;
        };
        PartsOf(*window).gameFolderButton()->click();
        QCOMPARE(PartsOf(*window).gameFolderEdit()->text(), answer);
        PartsOf(*window).archiveFolderButton()->click();
        QCOMPARE(PartsOf(*window).archiveFolderEdit()->text(), answer);
        QCOMPARE(titles, QStringList({QStringLiteral("TARQのインストール先を指定してください。"),
                                      QStringLiteral("ログの保存先を指定してください。")}));

        answer.clear();  // Cancel
        PartsOf(*window).gameFolderEdit()->setText(QStringLiteral("kept1"));
        PartsOf(*window).archiveFolderEdit()->setText(QStringLiteral("kept2"));
        PartsOf(*window).gameFolderButton()->click();
        PartsOf(*window).archiveFolderButton()->click();
        QCOMPARE(PartsOf(*window).gameFolderEdit()->text(), QStringLiteral("kept1"));
        QCOMPARE(PartsOf(*window).archiveFolderEdit()->text(), QStringLiteral("kept2"));
    }

    void folderPromptStartsAtTheDesktop() {
        QTemporaryDir home;
        struct EnvironmentGuard {
            QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
            ~EnvironmentGuard() {
                qputenv("HOME", home);
                qputenv("XDG_CONFIG_HOME", config);
            }
        } guard;
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        QCOMPARE(FolderPromptStart(), home.path());  // no desktop folder: the home folder

        const QString desktop = home.filePath(QStringLiteral("Schreibtisch"));
        QVERIFY(QDir().mkpath(desktop));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("config"))));
        QVERIFY(WriteFile(home.filePath(QStringLiteral("config/user-dirs.dirs")),
                          "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"));
        QCOMPARE(FolderPromptStart(), desktop);

        // The real prompt opens there, with nothing chosen.
        auto window = MakeWindow();
        QString shownFolder;
        QString shownName = QStringLiteral("(no dialog)");
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            shownFolder = dialog->directory().absolutePath();
            // Hidden folders are shown, so that ~/.wine can be reached by hand.
            if (!dialog->filter().testFlag(QDir::Hidden)) shownFolder = QStringLiteral("(hidden folders not shown)");
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            shownName = name ? name->text() : QStringLiteral("(no name box)");
            dialog->reject();
        });
        poll.start(10);
        QVERIFY(window->BrowseForFolder(window.get(), QStringLiteral("title")).isEmpty());
        QCOMPARE(shownFolder, desktop);
        QCOMPARE(shownName, QString());
    }

    void startAtLogin() {
        auto window = MakeWindow();
        QAction* action = PartsOf(*window).startAtLoginAction();
        QVERIFY(!action->isChecked());

        action->trigger();  // ticked
        QVERIFY(action->isChecked());
        const QByteArray entry = ReadFile(AutostartPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QVERIFY(entry.contains("\nExec=" + ExecValue(QCoreApplication::applicationFilePath()).toUtf8() + "\n"));
        // Written through a temporary file that is gone now.
        QCOMPARE(QDir(dir_.filePath(QStringLiteral("autostart"))).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("chatkeeper.desktop")});

        action->trigger();  // unticked
        QVERIFY(!action->isChecked());
        QVERIFY(!QFile::exists(AutostartPath()));

        // The mark shows the file as it is when the menu opens.
        QVERIFY(EnableAutostart(AutostartPath(), QStringLiteral("/elsewhere/chatkeeper")));
        emit PartsOf(*window).trayMenu()->aboutToShow();
        QVERIFY(action->isChecked());
        QVERIFY(WriteFile(AutostartPath(), "[Desktop Entry]\nExec=chatkeeper\nHidden=true\n"));
        emit PartsOf(*window).trayMenu()->aboutToShow();
        QVERIFY(!action->isChecked());
        QVERIFY(QFile::remove(AutostartPath()));

        // An entry that cannot be written leaves the mark off.
        QVERIFY(QDir(dir_.filePath(QStringLiteral("autostart"))).removeRecursively());
        QVERIFY(WriteFile(dir_.filePath(QStringLiteral("autostart")), "not a folder"));
        action->trigger();
        QVERIFY(!action->isChecked());
        QVERIFY(QFile::remove(dir_.filePath(QStringLiteral("autostart"))));
    }

    void autostartExecValue_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "/usr/bin/chatkeeper"
                               << "\"/usr/bin/chatkeeper\"";
        QTest::newRow("blank and kana") << "/home/a b/ゲーム/chatkeeper"
                                        << "\"/home/a b/ゲーム/chatkeeper\"";
        QTest::newRow("shell characters") << "/o/x$y`z\"w"
                                          << "\"/o/x\\\\$y\\\\`z\\\\\"w\"";
        QTest::newRow("backslash") << "/o/a\\b"
                                   << "\"/o/a\\\\\\\\b\"";
        QTest::newRow("field code") << "/o/100%f"
                                    << "\"/o/100%%f\"";
        QTest::newRow("newline") << "/o/a\nb"
                                 << "\"/o/a\\nb\"";
    }

    void autostartExecValue() {
        QFETCH(QString, program);
        QFETCH(QString, value);
        QCOMPARE(ExecValue(program), value);
    }

    void closingHidesTheWindowAndKeepsRunning() {
        auto window = MakeWindow();
        QSignalSpy exits(window.get(), &CatcherWindow::ExitConfirmed);
        PartsOf(*window).settingsAction()->trigger();  // "設定"
        QVERIFY(window->isVisible());
        QVERIFY(!window->close());
        QVERIFY(!window->isVisible());
        QCOMPARE(exits.count(), 0);
        QVERIFY(!window->ExitRequested());
        QVERIFY(PartsOf(*window).captureTimer()->isActive());
        QVERIFY(!QFile::exists(CnfPath()));
    }

    void trayIconClicks() {
        auto window = MakeWindow();
        QSystemTrayIcon* tray = window->TrayIcon();
        QVERIFY(tray);
        emit tray->activated(QSystemTrayIcon::Trigger);  // left click shows
        QVERIFY(window->isVisible());
        emit tray->activated(QSystemTrayIcon::DoubleClick);  // ignored
        emit tray->activated(QSystemTrayIcon::MiddleClick);
        emit tray->activated(QSystemTrayIcon::Context);  // the tray opens the menu; the window stays
        QVERIFY(window->isVisible());
        emit tray->activated(QSystemTrayIcon::Trigger);  // left click hides
        QVERIFY(!window->isVisible());
        emit tray->activated(QSystemTrayIcon::Context);
        QVERIFY(!window->isVisible());
    }

    void withoutTrayClosingEndsTheCatcher() {
        auto window = MakeWindow(/*trayIcon=*/false);
        QVERIFY(!window->HasTrayIcon());
        QVERIFY(!window->windowFlags().testFlag(Qt::Tool));
        QSignalSpy exits(window.get(), &CatcherWindow::ExitConfirmed);
        window->show();
        QVERIFY(window->close());
        QCOMPARE(exits.count(), 1);
        window.reset();
        QCOMPARE(ReadFile(CnfPath()).size(), 3088);
    }

    void exitWritesTheSettingsFile() {
        auto window = MakeWindow();
        QSignalSpy exits(window.get(), &CatcherWindow::ExitConfirmed);
        PartsOf(*window).gameFolderEdit()->setText(QStringLiteral("/home/ユーザ/ゲーム"));
        PartsOf(*window).archiveFolderEdit()->setText(QStringLiteral("/archive"));
        PartsOf(*window).nameTemplateEdit()->setText(QStringLiteral("ログ#YY#MM.log"));
        PartsOf(*window).bySizeButton()->click();
        PartsOf(*window).sizeLimitEdit()->setText(QStringLiteral("250"));
        PartsOf(*window).rotationTimeEdit()->setTime(QTime(3, 4, 5));

        PartsOf(*window).exitAction()->trigger();  // "終了"
        QVERIFY(window->ExitRequested());
        QCOMPARE(exits.count(), 1);
        QVERIFY(!window->isVisible());
        window.reset();  // destroyed: icon removed, settings written

        const QByteArray bytes = ReadFile(CnfPath());
        QCOMPARE(bytes.size(), 3088);
        bool nulFilled = false;
        QCOMPARE(FieldText(bytes, 0, &nulFilled), Sjis(QStringLiteral("/home/ユーザ/ゲーム")));
        QVERIFY(nulFilled);
        QCOMPARE(FieldText(bytes, 1024, &nulFilled), QByteArray("/archive"));
        QVERIFY(nulFilled);
        QCOMPARE(FieldText(bytes, 2048, &nulFilled), Sjis(QStringLiteral("ログ#YY#MM.log")));
        QVERIFY(nulFilled);
        QCOMPARE(Int32At(bytes, 3072), 2);
        QCOMPARE(Int32At(bytes, 3076), 250);
        QCOMPARE(UInt16At(bytes, 3080), 3);
        QCOMPARE(UInt16At(bytes, 3082), 4);
        QCOMPARE(UInt16At(bytes, 3084), 5);
        QCOMPARE(UInt16At(bytes, 3086), 0);
    }

    // Texts that Shift-JIS cannot hold come back exactly after a restart;
    // a reader that knows only Shift-JIS sees them with "?".
    void unusualNamesSurviveARestart_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shiftJisReader");
        QTest::newRow("umlaut") << QStringLiteral("/home/jürgen/game/logs") << QStringLiteral("/home/j?rgen/game/logs");
        QTest::newRow("wave dash") << QStringLiteral("~/ログ〜保存") << QStringLiteral("~/ログ?保存");
        QTest::newRow("outside the BMP") << QStringLiteral("/logs/\U0001F600") << QStringLiteral("/logs/?");
    }

    void unusualNamesSurviveARestart() {
        QFETCH(QString, text);
        QFETCH(QString, shiftJisReader);
        {
            auto window = MakeWindow();
            PartsOf(*window).gameFolderEdit()->setText(text);
            PartsOf(*window).archiveFolderEdit()->setText(text + QStringLiteral("/a"));
            PartsOf(*window).nameTemplateEdit()->setText(text.section(QLatin1Char('/'), -1) +
                                                         QStringLiteral("#YY.log"));
        }
        const QByteArray bytes = ReadFile(CnfPath());
        QCOMPARE(sjis::Decode(FieldText(bytes, 0).toStdString()), shiftJisReader);
        auto window = MakeWindow();
        QCOMPARE(PartsOf(*window).gameFolderEdit()->text(), text);
        QCOMPARE(PartsOf(*window).archiveFolderEdit()->text(), text + QStringLiteral("/a"));
        QCOMPARE(PartsOf(*window).nameTemplateEdit()->text(),
                 text.section(QLatin1Char('/'), -1) + QStringLiteral("#YY.log"));
        QCOMPARE(window->Settings().gameLogFolder, ToFileName(text));
    }

    void savingConvertsAnUncorrectedSizeBox() {
        auto window = MakeWindow();
        PartsOf(*window).sizeLimitEdit()->setText(QStringLiteral("x1"));  // never left through focus
        window->SaveSettings();
        QCOMPARE(Int32At(ReadFile(CnfPath()), 3076), 100);
        PartsOf(*window).sizeLimitEdit()->setText(QStringLiteral("-3"));
        window->SaveSettings();
        QCOMPARE(Int32At(ReadFile(CnfPath()), 3076), -3);
    }

    void loadingModeOneWithOneAndAHalfHours() {
        SettingsRecord record = RecordWith(RotationMode::RotateByTime, {1, 30, 0});
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        auto window = MakeWindow();
        QVERIFY(PartsOf(*window).byTimeButton()->isChecked());
        QVERIFY(PartsOf(*window).rotationTimeEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).sizeLimitEdit()->isEnabled());
        QCOMPARE(PartsOf(*window).rotationTimeEdit()->time(), QTime(1, 30, 0));
        QCOMPARE(window->Engine().GetRotationInterval(), (RotationInterval{1, 30, 0}));
        QCOMPARE(PartsOf(*window).gameFolderEdit()->text(), QStringLiteral("/games/log"));
        QCOMPARE(PartsOf(*window).archiveFolderEdit()->text(), QStringLiteral("/archive"));
        QCOMPARE(PartsOf(*window).nameTemplateEdit()->text(), QStringLiteral("chat#YYYY.log"));
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), QStringLiteral("300"));
    }

    void loadingModeTwoAndAnUnknownMode() {
        SettingsRecord record = RecordWith(RotationMode::RotateBySize, {0, 0, 0});
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        {
            auto window = MakeWindow();
            QVERIFY(PartsOf(*window).bySizeButton()->isChecked());
            QVERIFY(PartsOf(*window).sizeLimitEdit()->isEnabled());
            QVERIFY(!PartsOf(*window).rotationTimeEdit()->isEnabled());
        }
        record.SetModeValue(7);
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        auto window = MakeWindow();
        QVERIFY(PartsOf(*window).neverButton()->isChecked());
        QVERIFY(!PartsOf(*window).sizeLimitEdit()->isEnabled());
        QVERIFY(!PartsOf(*window).rotationTimeEdit()->isEnabled());
    }

    void loadingAnEmptyFile() {
        QVERIFY(WriteFile(CnfPath(), QByteArray()));
        auto window = MakeWindow();
        QVERIFY(PartsOf(*window).gameFolderEdit()->text().isEmpty());
        QVERIFY(PartsOf(*window).archiveFolderEdit()->text().isEmpty());
        QVERIFY(PartsOf(*window).nameTemplateEdit()->text().isEmpty());
        QCOMPARE(PartsOf(*window).sizeLimitEdit()->text(), QStringLiteral("0"));
        QVERIFY(PartsOf(*window).neverButton()->isChecked());
        QCOMPARE(PartsOf(*window).rotationTimeEdit()->time(), QTime(0, 0, 0));
    }

    void reservedBytesAreCarriedOver() {
        SettingsRecord record = RecordWith(RotationMode::RotateNever, {2, 0, 0});
        record.bytes[3086] = 0xEF;
        record.bytes[3087] = 0xBE;
        QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), record));
        MakeWindow().reset();
        const QByteArray bytes = ReadFile(CnfPath());
        QCOMPARE(bytes.size(), 3088);
        QCOMPARE(UInt16At(bytes, 3086), 0xBEEF);
    }

    void templateIsCutAtACharacterBoundary() {
        auto window = MakeWindow();
        // 600 double-byte characters: 1200 Shift-JIS bytes; 511 of them fit in 1023.
        PartsOf(*window).nameTemplateEdit()->setText(QString(600, QChar(0x30A2)));  // ア
        QCOMPARE(QString::fromStdString(window->Settings().fileNameTemplate), QString(511, QChar(0x30A2)));
        window->SaveSettings();
        const QByteArray bytes = ReadFile(CnfPath());
        QCOMPARE(FieldText(bytes, 2048), Sjis(QString(511, QChar(0x30A2))));
    }

    void captureThroughTheWindowUsesFileNames() {
        // Folders with Japanese names are found on disk: the engine gets the
        // file-name encoding, the settings file gets Shift-JIS.
        QTemporaryDir root;
        const QString game = root.filePath(QStringLiteral("ゲーム"));
        const QString archive = root.filePath(QStringLiteral("保存"));
        QVERIFY(QDir().mkpath(game));
        QVERIFY(QDir().mkpath(archive));
        auto window = MakeWindow();
        PartsOf(*window).captureTimer()->stop();
        PartsOf(*window).gameFolderEdit()->setText(game);
        PartsOf(*window).archiveFolderEdit()->setText(archive);
        PartsOf(*window).nameTemplateEdit()->setText(QStringLiteral("記録.log"));

        QByteArray content(3000, '\0');
        for (int i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
        QVERIFY(WriteFile(game + QStringLiteral("/5.log"), content));
        window->CaptureTick();

        QCOMPARE(ReadFile(archive + QStringLiteral("/記録.log")), content);
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarq Log Catcher [記録.log]"));
    }

    void firstStart_data() {
        QTest::addColumn<int>("prefixes");  // Wine prefixes with game log files in the fake home
        QTest::addColumn<bool>("trayIcon");
        QTest::addColumn<bool>("settingsFile");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("line");  // empty: no line
        QTest::newRow("one found") << 1 << true << false << false << "chatkeeper"
                                   << "";
        QTest::newRow("one found, no tray") << 1 << false << false << false << ""
                                            << "ゲームのログフォルダー %1 を見張ります。ログは %2 に保存します。";
        QTest::newRow("several found")
            << 3 << true << false << true << "chatkeeper: ゲームのログフォルダーが未設定"
            << "ゲームのログフォルダーが未設定です。見つかった 3 個の候補から「参照」で選んでください。";
        QTest::newRow("none found")
            << 0 << true << false << true << "chatkeeper: ゲームのログフォルダーが未設定"
            << "ゲームのログフォルダーが未設定です。0.log〜19.log のあるフォルダーを「参照」で選んでください。";
        QTest::newRow("settings file") << 1 << true << true << false
                                       << "chatkeeper: ゲームのログフォルダーとログ保存フォルダーが未設定"
                                       << "";
    }

    void firstStart() {
        QFETCH(int, prefixes);
        QFETCH(bool, trayIcon);
        QFETCH(bool, settingsFile);
        QFETCH(bool, shown);
        QFETCH(QString, toolTip);
        QFETCH(QString, line);
        QTemporaryDir home;
        struct EnvironmentGuard {
            QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME"),
                       documents = qgetenv("XDG_DOCUMENTS_DIR"), prefix = qgetenv("WINEPREFIX");
            ~EnvironmentGuard() {
                qputenv("HOME", home);
                qputenv("XDG_CONFIG_HOME", config);
                qputenv("XDG_DOCUMENTS_DIR", documents);
                qputenv("WINEPREFIX", prefix);
            }
        } guard;
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        qunsetenv("XDG_DOCUMENTS_DIR");
        qunsetenv("WINEPREFIX");
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("config"))));
        QVERIFY(
            WriteFile(home.filePath(QStringLiteral("config/user-dirs.dirs")), "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n"));
        QStringList games;
        for (int i = 0; i < prefixes; ++i) {
            games << home.filePath(QStringLiteral("Games/tarq%1/drive_c/Tarq/log").arg(i));
            QVERIFY(QDir().mkpath(games.last()));
            QVERIFY(WriteFile(games.last() + QStringLiteral("/0.log"), QByteArray(100, '\0')));
        }
        if (settingsFile) QVERIFY(chatkeeper::SaveSettings(CnfPath().toStdString(), SettingsRecord{}));
        const QString archive = home.filePath(QStringLiteral("文書/chatkeeper"));

        auto window = MakeWindow(trayIcon);
        PartsOf(*window).captureTimer()->stop();
        window->GuideFirstStart();
        auto* gameEdit = window->findChild<QLineEdit*>(QStringLiteral("gameFolderEdit"));
        auto* archiveEdit = window->findChild<QLineEdit*>(QStringLiteral("archiveFolderEdit"));
        auto* setupLine = window->findChild<QLabel*>(QStringLiteral("setupLine"));
        QVERIFY(gameEdit && archiveEdit);
        QCOMPARE(gameEdit->text(), prefixes == 1 && !settingsFile ? games.first() : QString());
        QCOMPARE(archiveEdit->text(), settingsFile ? QString() : archive);
        QCOMPARE(window->isVisible(), shown);
        if (trayIcon) QCOMPARE(window->TrayIcon()->toolTip(), toolTip);
        QCOMPARE(setupLine && !setupLine->isHidden() ? setupLine->text() : QString(),
                 line.contains(QLatin1Char('%')) ? line.arg(games.value(0), archive) : line);
        QCOMPARE(window->height() > 173, !line.isEmpty());
        if (!line.isEmpty()) QVERIFY(setupLine->geometry().bottom() < window->height());
        if (settingsFile) return;

        // The archive folder is made by the first capture, not before.
        QVERIFY(!QFileInfo::exists(archive));
        if (prefixes > 1) {
            // "参照" offers the folders found, then the ordinary prompt.
            QStringList prompts;
            window->BrowseForFolder = [&](QWidget*, const QString& title) { return prompts << title, QString(); };
            window->findChild<QPushButton*>(QStringLiteral("gameFolderButton"))->click();
            auto* menu = window->findChild<QMenu*>(QStringLiteral("gameFolderMenu"));
            QVERIFY(menu);
            const QList<QAction*> items = menu->actions();
            QCOMPARE(items.size(), prefixes + 2);
            QCOMPARE(items.last()->text(), QStringLiteral("その他のフォルダー..."));
            items.last()->trigger();
            QCOMPARE(prompts.size(), 1);
            QVERIFY(gameEdit->text().isEmpty());
            items[1]->trigger();
            QCOMPARE(items[1]->data().toString(), gameEdit->text());
            QVERIFY(games.contains(gameEdit->text()));
            QVERIFY(items[1]->text().startsWith(gameEdit->text() + QStringLiteral("  (")));
        } else if (prefixes == 0) {
            return;
        }
        QCOMPARE(window->TrayIcon() ? window->TrayIcon()->toolTip() : QStringLiteral("chatkeeper"),
                 QStringLiteral("chatkeeper"));
        QVERIFY(!setupLine || setupLine->isHidden() || !trayIcon);
        const QString log = gameEdit->text() + QStringLiteral("/3.log");
        QVERIFY(WriteFile(log, QByteArray(100, '\0')));
        window->CaptureTick();
        QVERIFY(QFileInfo(archive).isDir());
        QCOMPARE(QDir(archive).entryList(QDir::Files).size(), 1);
    }

    void settingsFileLocation() {
        // Build tree, portable copy and installed program, on real folders.
        QTemporaryDir root;
        const QString cfg = QStringLiteral("/cfg/chatkeeper/chatkeeper.cnf");
        auto file = [&](const QString& relative) {
            const QString path = root.filePath(relative);
            return QDir().mkpath(QFileInfo(path).absolutePath()) && WriteFile(path, "x");
        };
        QVERIFY(file(QStringLiteral("build/") + QLatin1String(kBuildTreeMarker)));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("build/catcher/app"))));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("copy"))));
        QVERIFY(file(QStringLiteral("prefix/share/applications/chatkeeper.desktop")));
        QVERIFY(file(QStringLiteral("prefix/bin/chatkeeper.cnf")));
        const struct {
            QString exe;
            bool beside;
        } cases[] = {
            {root.filePath(QStringLiteral("build/catcher/app/chatkeeper")), true},
            {root.filePath(QStringLiteral("copy/chatkeeper")), false},
            {root.filePath(QStringLiteral("prefix/bin/chatkeeper")), false},
            {QStringLiteral("/usr/bin/chatkeeper"), false},
            {QStringLiteral("/opt/catcher/bin/chatkeeper"), false},
        };
        for (const auto& c : cases)
            QCOMPARE(ResolveSettingsPath(c.exe, QStringLiteral("/cfg")),
                     c.beside ? c.exe + QStringLiteral(".cnf") : cfg);

        // A copy whose folder already holds the settings file keeps it there.
        QVERIFY(file(QStringLiteral("copy/chatkeeper.cnf")));
        QCOMPARE(ResolveSettingsPath(root.filePath(QStringLiteral("copy/chatkeeper")), QStringLiteral("/cfg")),
                 root.filePath(QStringLiteral("copy/chatkeeper.cnf")));
        // This test program lies in the build tree.
        QCOMPARE(DefaultSettingsPath(), QCoreApplication::applicationFilePath() + QStringLiteral(".cnf"));
    }

    void savingIntoAFolderNotYetMade() {
        CatcherWindow::Options options;
        options.settingsPath = dir_.filePath(QStringLiteral("cfg/chatkeeper/chatkeeper.cnf"));
        std::make_unique<CatcherWindow>(options).reset();
        QCOMPARE(ReadFile(options.settingsPath).size(), 3088);
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
        QTest::newRow("find game folders")
            << QStringList{"--find-game-folders"} << int(A::FindGameFolders) << false << "";
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
        QVERIFY(WriteFile(path,
                          QByteArray::number(child) + "\nchatkeeper\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
        SingleInstanceLock lock(path);
        QVERIFY(lock.TryLock());
    }

    void signalBridgeDeliversOnTheEventLoop() {
        chatlog::SignalBridge bridge({SIGUSR1});
        QVERIFY(bridge.IsValid());
        QSignalSpy received(&bridge, &chatlog::SignalBridge::Received);
        ::raise(SIGUSR1);
        ::raise(SIGUSR1);
        QTRY_COMPARE(received.count(), 2);
        QCOMPARE(received.at(0).at(0).toInt(), SIGUSR1);
    }

    void textConversions() {
        const QString text = QStringLiteral("TARQ内ログ～");
        QCOMPARE(Sjis(text).toHex(), QByteArray("5441525193e0838d834f8160"));
        QCOMPARE(sjis::Decode(sjis::Encode(text)), text);
        QCOMPARE(FromFileName(ToFileName(text)), text);
        QCOMPARE(sjis::CutToBytes(QStringLiteral("abアイ"), 5), QStringLiteral("abア"));
        QCOMPARE(sjis::CutToBytes(QStringLiteral("abアイ"), 6), QStringLiteral("abアイ"));
    }
};

QTEST_MAIN(TestCatcherWindow)
#include "tst_catcherwindow.moc"
