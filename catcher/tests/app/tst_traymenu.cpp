// The tray menu as a StatusNotifierItem host sees it: the real chatkeeper on
// Xvfb, on a private session bus whose StatusNotifierWatcher is this test.
// The menu is read through com.canonical.dbusmenu, as GNOME's and KDE's
// trays read it, and "終了" is clicked through it.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "test_support/test_files.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QString kBinary = QStringLiteral(CHATKEEPER_BINARY);

// The watcher's side of the StatusNotifierItem protocol: one host (this
// test) is registered, items register themselves.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
public:
    bool IsStatusNotifierHostRegistered() const { return true; }
    QStringList RegisteredStatusNotifierItems() const { return items; }
    int ProtocolVersion() const { return 0; }

    // "service" or "service/path" as given; the sender when only a path is given.
    QStringList items;

public slots:
    void RegisterStatusNotifierItem(const QString& item, const QDBusMessage& message) {
        items << (item.startsWith(u'/') ? message.service() + item : item);
        emit StatusNotifierItemRegistered(items.last());
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
};

// One entry of a dbusmenu layout.
struct MenuEntry {
    int id = 0;
    QVariantMap properties;
    QList<MenuEntry> children;
};

MenuEntry ReadEntry(const QDBusArgument& argument) {
    MenuEntry entry;
    argument.beginStructure();
    argument >> entry.id >> entry.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        entry.children << ReadEntry(child.variant().value<QDBusArgument>());
    }
    argument.endArray();
    argument.endStructure();
    return entry;
}

// A process that lives as long as the test function.
struct Child {
    QProcess process;
    ~Child() {
        if (process.state() == QProcess::NotRunning) return;
        process.kill();
        process.waitForFinished(5000);
    }
};

// Starts program and returns the first line it prints (a display number, a
// bus address); empty when it prints none.
QString StartAndReadLine(Child& child, const QString& program, const QStringList& args) {
    child.process.start(program, args);
    if (!child.process.waitForStarted(5000)) return {};
    QByteArray line;
    while (!line.contains('\n') && child.process.waitForReadyRead(10000)) line += child.process.readAllStandardOutput();
    return QString::fromUtf8(line.left(line.indexOf('\n'))).trimmed();
}

}  // namespace

class TestTrayMenu : public QObject {
    Q_OBJECT

private slots:
    void menuThroughStatusNotifierItem() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString dbusDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (xvfb.isEmpty() || dbusDaemon.isEmpty()) QSKIP("needs Xvfb and dbus-daemon");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString runtime = dir.filePath(QStringLiteral("run"));
        const QString config = dir.filePath(QStringLiteral("config"));
        const QString cnf = dir.filePath(QStringLiteral("chatkeeper.cnf"));
        const QString autostart = config + QStringLiteral("/autostart/chatkeeper.desktop");
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        Child display;
        const QString displayNumber = StartAndReadLine(
            display, xvfb,
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QVERIFY2(!displayNumber.isEmpty(), "Xvfb did not start");
        Child bus;
        const QString address = StartAndReadLine(
            bus, dbusDaemon,
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        QVERIFY2(!address.isEmpty(), "dbus-daemon did not start");

        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("tray-test"));
        QVERIFY(connection.isConnected());
        Watcher watcher;
        QVERIFY(connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                                              QDBusConnection::ExportAllSignals));
        QVERIFY(connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));

        Child catcher;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), u':' + displayNumber);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        catcher.process.setProcessEnvironment(env);
        catcher.process.setProcessChannelMode(QProcess::ForwardedChannels);
        catcher.process.start(kBinary, {QStringLiteral("--cnf"), cnf});
        QVERIFY(catcher.process.waitForStarted());

        QTRY_VERIFY_WITH_TIMEOUT(!watcher.items.isEmpty(), 20000);
        const QString item = watcher.items.first();
        const qsizetype slash = item.indexOf(u'/');
        const QString service = slash < 0 ? item : item.left(slash);
        const QString itemPath = slash < 0 ? QStringLiteral("/StatusNotifierItem") : item.mid(slash);

        // The item names its exported menu.
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, itemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
        const QDBusMessage menuReply = connection.call(get);
        QCOMPARE(menuReply.type(), QDBusMessage::ReplyMessage);
        const QString menuPath =
            menuReply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
        QVERIFY2(!menuPath.isEmpty() && menuPath != QStringLiteral("/NO_DBUSMENU"), qPrintable(menuPath));

        auto call = [&](const QString& method, const QVariantList& args) {
            QDBusMessage message =
                QDBusMessage::createMethodCall(service, menuPath, QStringLiteral("com.canonical.dbusmenu"), method);
            message.setArguments(args);
            return connection.call(message);
        };
        // A host asks for the layout when the menu is about to open; an
        // autostart entry made meanwhile shows as a check mark.
        auto openMenu = [&] {
            const QDBusMessage aboutToShow = call(QStringLiteral("AboutToShow"), {0});
            const QDBusMessage layout = call(QStringLiteral("GetLayout"), {0, -1, QStringList()});
            if (aboutToShow.type() != QDBusMessage::ReplyMessage || layout.type() != QDBusMessage::ReplyMessage)
                return MenuEntry{-1, {}, {}};
            return ReadEntry(layout.arguments().value(1).value<QDBusArgument>());
        };
        auto checkMark = [&](const MenuEntry& root) {
            for (const MenuEntry& entry : root.children)
                if (entry.properties.value(QStringLiteral("label")).toString() == u"ログイン時に起動")
                    return entry.properties.value(QStringLiteral("toggle-state"), -1).toInt();
            return -1;
        };
        QVERIFY(QDir().mkpath(config + QStringLiteral("/autostart")));
        QVERIFY(WriteFile(autostart, "[Desktop Entry]\nType=Application\nExec=elsewhere\n"));
        const MenuEntry root = openMenu();
        QCOMPARE(root.id, 0);

        QStringList shown;
        QMap<QString, MenuEntry> byLabel;
        for (const MenuEntry& entry : root.children) {
            if (!entry.properties.value(QStringLiteral("visible"), true).toBool()) continue;
            const bool separator = entry.properties.value(QStringLiteral("type")).toString() == u"separator";
            const QString label =
                separator ? QStringLiteral("-") : entry.properties.value(QStringLiteral("label")).toString();
            shown << label;
            byLabel.insert(label, entry);
        }
        QCOMPARE(shown, (QStringList{QStringLiteral("設定"), QStringLiteral("ログイン時に起動"), QStringLiteral("-"),
                                     QStringLiteral("終了")}));
        QCOMPARE(byLabel.value(QStringLiteral("ログイン時に起動")).properties.value(QStringLiteral("toggle-type")),
                 QVariant(QStringLiteral("checkmark")));
        QCOMPARE(checkMark(root), 1);

        auto click = [&](const QString& label) {
            call(QStringLiteral("Event"),
                 {byLabel.value(label).id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
        };
        // The entry removed elsewhere: unticked when the menu opens again;
        // ticked in the host's menu, the entry starts this very catcher.
        QVERIFY(QFile::remove(autostart));
        QCOMPARE(checkMark(openMenu()), 0);
        click(QStringLiteral("ログイン時に起動"));
        const QByteArray exec = "\nExec=\"" + QFile::encodeName(QFileInfo(kBinary).canonicalFilePath()) + "\"\n";
        QTRY_VERIFY(ReadFile(autostart).contains(exec));
        QCOMPARE(checkMark(openMenu()), 1);

        QVERIFY(!QFile::exists(cnf));
        click(QStringLiteral("終了"));
        QVERIFY(catcher.process.waitForFinished(15000));
        QCOMPARE(catcher.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(catcher.process.exitCode(), 0);
        QCOMPARE(ReadFile(cnf).size(), 3088);
    }
};

QTEST_GUILESS_MAIN(TestTrayMenu)
#include "tst_traymenu.moc"
