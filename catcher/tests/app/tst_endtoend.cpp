// End-to-end tests of the real chatkeeper binary: single instance, headless
// capture, ending on signals, the command line.
//
// The capture tick is shortened through the CHATKEEPER_TICK_MS test hook.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstring>

#include "chatkeeper/settings_record.h"
#include "test_support/test_files.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

const QString kBinary = QStringLiteral(CHATKEEPER_BINARY);

// A game log block: a 100-byte header of zero words, then lines.
QByteArray GameLogBlock(char fill, int lines) {
    QByteArray block(100, '\0');
    for (int i = 0; i < lines; ++i) {
        block += QByteArray("0001000000ffffff0000000000000000000000000000000000 ");
        block += QByteArray(20 + i % 7, fill);
        block += '\0';
    }
    return block;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) return false;
        QThread::msleep(20);
    }
    return true;
}

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString runtime_, game_, archive_, cnf_;

    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("CHATKEEPER_TICK_MS"), QStringLiteral("100"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        return env;
    }

    void Start(QProcess& process, const QStringList& args) {
        process.setProcessEnvironment(Environment());
        process.start(kBinary, args);
        QVERIFY(process.waitForStarted());
    }

    // Runs the binary to its end; returns its exit code (-1 if it hung).
    int Run(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.start(kBinary, args);
        if (!process.waitForFinished(15000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (out) *out = process.readAllStandardOutput();
        if (err) *err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString LockPath() const { return runtime_ + QStringLiteral("/chatkeeperID"); }

    void WriteSettings() {
        chatkeeper::SettingsRecord record;
        record.SetGameLogFolder(game_.toStdString());
        record.SetArchiveFolder(archive_.toStdString());
        record.SetFileNameTemplate("TARQ#YY#MM#DD_#HH#MN_#SS.log");
        record.SetMode(chatkeeper::RotationMode::RotateNever);
        record.SetSizeLimitKb(100);
        record.SetInterval({2, 0, 0});
        QVERIFY(chatkeeper::SaveSettings(cnf_.toStdString(), record));
    }

    static void Signal(QProcess& process, int signalNumber) {
        QVERIFY(::kill(static_cast<pid_t>(process.processId()), signalNumber) == 0);
    }

    static void ExpectCleanExit(QProcess& process) {
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }

    QStringList ArchiveFiles() const { return QDir(archive_).entryList(QDir::Files, QDir::Name); }

private slots:
    void init() {
        QVERIFY(dir_.isValid());
        runtime_ = dir_.filePath(QStringLiteral("run"));
        game_ = dir_.filePath(QStringLiteral("game"));
        archive_ = dir_.filePath(QStringLiteral("archive"));
        cnf_ = dir_.filePath(QStringLiteral("catcher.cnf"));
        for (const QString& folder : {runtime_, game_, archive_}) {
            QDir(folder).removeRecursively();
            QVERIFY(QDir().mkpath(folder));
        }
        QVERIFY(QFile::setPermissions(runtime_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QFile::remove(cnf_);
    }

    void commandLine() {
        QByteArray out, err;
        QCOMPARE(Run({QStringLiteral("--help")}, &out, &err), 0);
        QVERIFY(out.startsWith("usage: chatkeeper"));
        QVERIFY(out.contains("--headless"));
        QCOMPARE(Run({QStringLiteral("--version")}, &out, &err), 0);
        QCOMPARE(out, QByteArray("chatkeeper 1.0.0\n"));
        QCOMPARE(Run({QStringLiteral("--frobnicate")}, &out, &err), 2);
        QVERIFY(out.isEmpty());
        QVERIFY(err.contains("usage: chatkeeper"));
        // Neither took the lock.
        QVERIFY(!QFile::exists(LockPath()));
    }

    void headlessCapturesAndEndsOnSigterm() {
        WriteSettings();
        const QByteArray settingsBefore = ReadFile(cnf_);
        const QByteArray old = GameLogBlock('o', 50);
        QVERIFY(WriteFile(game_ + QStringLiteral("/0.log"), old));  // there before the start

        QProcess first;
        Start(first, {QStringLiteral("--headless"), QStringLiteral("--cnf"), cnf_});
        QVERIFY(WaitFor([&] { return QFile::exists(LockPath()); }, 5000));

        // A second start, headless or with a window, ends at once with 1, silently.
        QByteArray out, err;
        QCOMPARE(Run({QStringLiteral("--headless"), QStringLiteral("--cnf"), cnf_}, &out, &err), 1);
        QVERIFY(out.isEmpty() && err.isEmpty());
        QCOMPARE(Run({QStringLiteral("--cnf"), cnf_}, &out, &err), 1);
        QVERIFY(out.isEmpty() && err.isEmpty());
        QCOMPARE(first.state(), QProcess::Running);

        // A new game log file is captured whole; the file that was there at
        // the start is not.
        QThread::msleep(1500);  // past the baseline, also on a slow machine
        const QByteArray block = GameLogBlock('a', 50);
        QVERIFY(WriteFile(game_ + QStringLiteral("/3.log"), block));
        QVERIFY(WaitFor([&] { return ArchiveFiles().size() == 1; }, 10000));
        const QString archive = archive_ + QLatin1Char('/') + ArchiveFiles().first();
        QVERIFY(WaitFor([&] { return ReadFile(archive).size() >= block.size(); }, 10000));
        QCOMPARE(ReadFile(archive), block);
        QVERIFY(ArchiveFiles().first().startsWith(QStringLiteral("TARQ")));

        // A rewrite is appended again, whole ("更新しない": same archive).
        const QByteArray rewrite = GameLogBlock('b', 50) + GameLogBlock('c', 10);
        QVERIFY(WriteFile(game_ + QStringLiteral("/3.log"), rewrite));
        QVERIFY(WaitFor([&] { return ReadFile(archive).size() >= block.size() + rewrite.size(); }, 10000));
        QCOMPARE(ReadFile(archive), block + rewrite);
        QCOMPARE(ArchiveFiles().size(), 1);

        Signal(first, SIGTERM);
        ExpectCleanExit(first);
        QCOMPARE(ReadFile(cnf_), settingsBefore);  // headless never writes it
        QVERIFY(!QFile::exists(LockPath()));
    }

    void staleLockDoesNotBlockAStart() {
        WriteSettings();
        const pid_t child = ::fork();
        if (child == 0) ::_exit(0);
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WriteFile(LockPath(),
                          QByteArray::number(child) + "\nchatkeeper\n" + QSysInfo::machineHostName().toUtf8() + "\n"));

        QProcess catcher;
        Start(catcher, {QStringLiteral("--headless"), QStringLiteral("--cnf"), cnf_});
        QVERIFY(!catcher.waitForFinished(800));  // still running: the lock was taken over
        QVERIFY(ReadFile(LockPath()).startsWith(QByteArray::number(catcher.processId())));
        Signal(catcher, SIGINT);
        ExpectCleanExit(catcher);
    }

    void headlessWithoutSettingsFileFails() {
        QByteArray err;
        QCOMPARE(Run({QStringLiteral("--headless"), QStringLiteral("--cnf"), cnf_}, nullptr, &err), 1);
        QVERIFY(err.contains("settings file"));
    }

    void windowEndsInOrderOnSignals_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void windowEndsInOrderOnSignals() {
        // No tray offscreen: the window is shown at once; a signal ends the
        // catcher as "終了" does, writing the settings file.
        QFETCH(int, signalNumber);
        QProcess catcher;
        Start(catcher, {QStringLiteral("--cnf"), cnf_});
        QVERIFY(WaitFor([&] { return QFile::exists(LockPath()); }, 5000));
        QVERIFY(!catcher.waitForFinished(500));
        QVERIFY(!QFile::exists(cnf_));
        Signal(catcher, signalNumber);
        ExpectCleanExit(catcher);

        const QByteArray bytes = ReadFile(cnf_);
        QCOMPARE(bytes.size(), 3088);
        QCOMPARE(bytes.mid(2048, 29), QByteArray("TARQ#YY#MM#DD_#HH#MN_#SS.log\0", 29));
        std::int32_t mode = 0, size = 0;
        std::memcpy(&mode, bytes.constData() + 3072, 4);
        std::memcpy(&size, bytes.constData() + 3076, 4);
        QCOMPARE(mode, 3);
        QCOMPARE(size, 100);
        QCOMPARE(static_cast<unsigned char>(bytes[3080]), static_cast<unsigned char>(2));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
