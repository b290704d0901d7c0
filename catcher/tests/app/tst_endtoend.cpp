// End-to-end tests of the real chatkeeper binary: single instance, headless
// capture, ending on signals, the command line.
//
// The capture tick is shortened through the CHATKEEPER_TICK_MS test hook.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>

#include "catcher_text.h"
#include "chatkeeper/catcher_settings.h"
#include "chatkeeper/settings_record.h"
#include "settings_conversion.h"
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
        env.insert(QStringLiteral("XDG_STATE_HOME"), dir_.filePath(QStringLiteral("state")));
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

    void WriteSettings(const std::string& fileNameTemplate = "TARQ#YY#MM#DD_#HH#MN_#SS.log") {
        chatkeeper::SettingsRecord record;
        record.SetGameLogFolder(game_.toStdString());
        record.SetArchiveFolder(archive_.toStdString());
        record.SetFileNameTemplate(fileNameTemplate);
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

    qint64 ArchiveBytes() const {
        qint64 total = 0;
        for (const QFileInfo& file : QDir(archive_).entryInfoList(QDir::Files)) total += file.size();
        return total;
    }

    // Replaces a game log file at once, as the game's own rewrite would look.
    bool ReplaceGameLog(int index, const QByteArray& bytes) const {
        const QString temp = game_ + QStringLiteral("/next.tmp");
        return WriteFile(temp, bytes) && ::rename(QFile::encodeName(temp).constData(),
                                                  QFile::encodeName(game_ + QStringLiteral("/%1.log").arg(index))) == 0;
    }

    // Version v of a large game log file: a zero header, then one byte value.
    static QByteArray Version(int v, qsizetype size) {
        return QByteArray(100, '\0') + QByteArray(size - 100, static_cast<char>('A' + v));
    }

    // Which versions an archive holds, in order; false when it holds
    // anything but whole versions of that size.
    static bool SplitVersions(const QByteArray& archive, qsizetype size, QList<int>& versions) {
        for (qsizetype at = 0; at < archive.size(); at += size) {
            if (archive.size() - at < size) return false;
            const QByteArrayView block(archive.constData() + at, size);
            const char value = block[100];
            if (block.first(100) != QByteArray(100, '\0') || block.sliced(100).count(value) != size - 100) return false;
            versions.append(value - 'A');
        }
        return true;
    }

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

    // Killed at random moments of large appends, each time started again:
    // every archive holds whole versions only, and every version once. Even
    // runs name one archive that the next runs append to, odd runs a new one.
    void killedCapturesAreUndoneAndCapturedAgain() {
        constexpr int kRounds = 12;
        constexpr qsizetype kSize = 4 * 1024 * 1024;
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const QString context = QStringLiteral("seed %1").arg(seed);
        const QString intent = dir_.filePath(QStringLiteral("state/chatkeeper/capture-intent"));
        int cutShort = 0;
        for (int round = 0; round <= kRounds; ++round) {
            WriteSettings(round % 2 == 0 ? "all.log" : "run#HH#MN#SS#MS.log");
            QStringList args = {QStringLiteral("--cnf"), cnf_};
            if (round % 4 != 3) args.prepend(QStringLiteral("--headless"));  // every fourth: the window
            QProcess catcher;
            Start(catcher, args);
            // Every earlier version is there, the one the last kill cut short
            // captured again (the intent record is gone once the start has
            // dealt with it and no capture is under way).
            const qint64 captured = round * kSize;
            QVERIFY2(WaitFor([&] { return !QFile::exists(intent) && ArchiveBytes() == captured; }, 20000),
                     qPrintable(context));
            if (round < kRounds) {
                // Written again when the first write came before the baseline.
                bool appending = false;
                for (int attempt = 0; attempt < 5 && !appending; ++attempt) {
                    QVERIFY(ReplaceGameLog(0, Version(round, kSize)));
                    appending = WaitFor([&] { return ArchiveBytes() > captured; }, 1000);
                }
                QVERIFY2(appending, qPrintable(context));
                QThread::msleep(random.bounded(200));
            }
            Signal(catcher, SIGKILL);
            QVERIFY(catcher.waitForFinished(5000));
            if (QFile::exists(intent)) ++cutShort;
        }
        qInfo("%d of %d kills came while a capture was under way", cutShort, kRounds);
        QList<int> versions;
        for (const QString& name : ArchiveFiles()) {
            const QByteArray bytes = ReadFile(archive_ + QLatin1Char('/') + name);
            QVERIFY2(!bytes.isEmpty(), qPrintable(context + QStringLiteral(": empty ") + name));
            QVERIFY2(SplitVersions(bytes, kSize, versions), qPrintable(context + QStringLiteral(": torn ") + name));
        }
        std::sort(versions.begin(), versions.end());
        QList<int> expected;
        for (int v = 0; v < kRounds; ++v) expected.append(v);
        QCOMPARE(versions, expected);
    }

    // Under a file-size limit a write fails instead of killing the catcher:
    // the capture is undone and retried, smaller files are still captured.
    void fileSizeLimitFailsTheWriteOnly_data() {
        QTest::addColumn<bool>("headless");
        QTest::newRow("headless") << true;
        QTest::newRow("window") << false;
    }

    void fileSizeLimitFailsTheWriteOnly() {
        QFETCH(bool, headless);
        WriteSettings("all.log");
        QProcess catcher;
        catcher.setChildProcessModifier([] {
            const rlimit limit{20000, 20000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QStringList args = {QStringLiteral("--cnf"), cnf_};
        if (headless) args.prepend(QStringLiteral("--headless"));
        Start(catcher, args);
        QVERIFY(WaitFor([&] { return QFile::exists(LockPath()); }, 5000));
        const QByteArray small = GameLogBlock('s', 50);
        const QString archive = archive_ + QStringLiteral("/all.log");
        // Written again when the first write came before the baseline.
        bool captured = false;
        for (int attempt = 0; attempt < 8 && !captured; ++attempt) {
            QVERIFY(ReplaceGameLog(0, small));
            captured = WaitFor([&] { return ReadFile(archive) == small; }, 1500);
        }
        QVERIFY(captured);
        QVERIFY(ReplaceGameLog(1, QByteArray(30000, 'b')));  // past the limit
        QThread::msleep(600);                                // many ticks, each one failing
        QCOMPARE(catcher.state(), QProcess::Running);
        QCOMPARE(ReadFile(archive), small);
        QVERIFY(ReplaceGameLog(2, GameLogBlock('t', 50)));  // still fits
        QVERIFY(WaitFor([&] { return ReadFile(archive) == small + GameLogBlock('t', 50); }, 10000));
        Signal(catcher, SIGTERM);
        ExpectCleanExit(catcher);
    }

    // Folders that Shift-JIS cannot name, saved as the window saves them,
    // are found again by --headless.
    void headlessFindsFoldersShiftJisCannotName() {
        const QString game = dir_.filePath(QStringLiteral("jürgen〜game"));
        const QString archive = dir_.filePath(QStringLiteral("ログ〜保存"));
        QVERIFY(QDir().mkpath(game));
        QVERIFY(QDir().mkpath(archive));
        chatkeeper::CatcherSettings settings;
        settings.gameLogFolder = chatkeeper::app::ToFileName(game);
        settings.archiveFolder = chatkeeper::app::ToFileName(archive);
        settings.fileNameTemplate = chatkeeper::app::ToFileName(QStringLiteral("〜.log"));
        chatkeeper::SettingsRecord record;
        chatkeeper::app::StoreSettingsInRecord(settings, record);
        QVERIFY(chatkeeper::SaveSettings(cnf_.toStdString(), record));

        QProcess catcher;
        Start(catcher, {QStringLiteral("--headless"), QStringLiteral("--cnf"), cnf_});
        QVERIFY(WaitFor([&] { return QFile::exists(LockPath()); }, 5000));
        const QByteArray block = GameLogBlock('u', 50);
        bool captured = false;  // written again when the first write came before the baseline
        for (int attempt = 0; attempt < 8 && !captured; ++attempt) {
            QVERIFY(WriteFile(game + QStringLiteral("/7.log"), block));
            captured = WaitFor([&] { return ReadFile(archive + QStringLiteral("/〜.log")) == block; }, 1500);
        }
        QVERIFY(captured);
        Signal(catcher, SIGTERM);
        ExpectCleanExit(catcher);
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
        const std::string raw = bytes.toStdString();  // a std::string, so the compiler sees its 3088 bytes
        std::int32_t mode = 0, size = 0;
        std::memcpy(&mode, raw.data() + 3072, 4);
        std::memcpy(&size, raw.data() + 3076, 4);
        QCOMPARE(mode, 3);
        QCOMPARE(size, 100);
        QCOMPARE(static_cast<unsigned char>(bytes[3080]), static_cast<unsigned char>(2));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
