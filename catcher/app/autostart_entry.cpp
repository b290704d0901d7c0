#include "autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "fileio/atomic_replace.h"

namespace chatkeeper::app {

QString AutostartEntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/chatkeeper.desktop");
}

bool AutostartEnabled(const QString& entryPath) {
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly)) return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('['))
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.startsWith("Hidden") && line.mid(6).trimmed() == "=true")
            return false;
    }
    return true;
}

bool EnableAutostart(const QString& entryPath, const QString& executable) {
    if (!QDir().mkpath(QFileInfo(entryPath).absolutePath())) return false;
    const QByteArray text = AutostartEntryText(executable);
    const std::string target = chatlog::fileio::ReplacementTarget(QFile::encodeName(entryPath).toStdString());
    return chatlog::fileio::ReplaceFile(target,
                                        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

bool DisableAutostart(const QString& entryPath) { return QFile::remove(entryPath) || !QFileInfo::exists(entryPath); }

QByteArray AutostartEntryText(const QString& executable) {
    QString text = QStringLiteral(
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=chatkeeper\n"
        "Comment=Keeps every game chat log file in date-named archive files\n"
        "Comment[ja]=ゲームのチャットログを日時名の保存ファイルへ追記します\n"
        "Icon=chatkeeper\n"
        "Terminal=false\n"
        "X-GNOME-Autostart-enabled=true\n");
    text += QStringLiteral("Exec=") + ExecValue(executable) + u'\n';
    return text.toUtf8();
}

QString ExecValue(const QString& program) {
    // The argument in double quotes, with '"', '`', '$' and '\' escaped by a
    // backslash; '%' doubled, as it starts a field code.
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
        if (c == u'%') quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    // Then the escapes of every string value in the file.
    QString value;
    for (const QChar c : quoted) {
        switch (c.unicode()) {
        case u'\\': value += QStringLiteral("\\\\"); break;
        case u'\n': value += QStringLiteral("\\n"); break;
        case u'\t': value += QStringLiteral("\\t"); break;
        case u'\r': value += QStringLiteral("\\r"); break;
        default: value += c;
        }
    }
    return value;
}

}  // namespace chatkeeper::app
