#include "AutoRun.h"

#include "base/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QString g_executable;

// The escapes of a desktop file's string values: applied after the quoting.
QString escapeString(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out;
}

QString unescapeString(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

} // namespace

namespace AutoRun {

QString EntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config)) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/autostart/") + kName + QStringLiteral(".desktop");
}

QString ExecutablePath()
{
    return g_executable.isEmpty() ? QCoreApplication::applicationFilePath() : g_executable;
}

void setExecutablePathForTesting(const QString& path)
{
    g_executable = path;
}

QString QuoteExec(const QString& path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : path) {
        needsQuotes = needsQuotes || reserved.contains(c);
    }
    QString arg;
    for (QChar c : path) {
        if (c == QLatin1Char('%')) {
            arg += QStringLiteral("%%");
        } else if (needsQuotes && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                                   c == QLatin1Char('\\'))) {
            arg += QLatin1Char('\\');
            arg += c;
        } else {
            arg += c;
        }
    }
    if (needsQuotes) {
        arg = QLatin1Char('"') + arg + QLatin1Char('"');
    }
    return escapeString(arg);
}

QString UnquoteExec(const QString& value)
{
    const QString text = unescapeString(value);
    QString path;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (quoted && c == QLatin1Char('\\') && i + 1 < text.size()) {
            path += text.at(++i);
        } else if (c == QLatin1Char('%') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('%')) {
            path += QLatin1Char('%');
            ++i;
        } else if (!quoted && c.isSpace()) {
            break; // the program is the first argument; anything after it is not
        } else {
            path += c;
        }
    }
    return path;
}

bool IsAutoRun()
{
    QFile file(EntryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
        } else if (inEntry && line.contains(QLatin1Char('='))) {
            // Blanks around the equals sign do not count.
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (line.left(eq).trimmed() == QLatin1String("Exec")) {
                return UnquoteExec(line.mid(eq + 1).trimmed()) == ExecutablePath();
            }
        }
    }
    return false;
}

void SetAutoRun(const QString& name, const QString& path, bool on)
{
    const QString entry = EntryPath();
    if (!on) {
        if (QFile::exists(entry) && !QFile::remove(entry)) {
            throw EAppError(QFile(entry).errorString() + QStringLiteral(": ") + entry);
        }
        return;
    }
    if (!QDir().mkpath(QFileInfo(entry).absolutePath())) {
        throw EAppError(QStringLiteral("无法创建文件夹: ") + QFileInfo(entry).absolutePath());
    }
    QSaveFile file(entry);
    if (!file.open(QIODevice::WriteOnly)) {
        throw EAppError(file.errorString() + QStringLiteral(": ") + entry);
    }
    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=") + escapeString(name) +
                         QStringLiteral("\nExec=") + QuoteExec(path) +
                         QStringLiteral("\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    file.write(text.toUtf8());
    if (!file.commit()) {
        throw EAppError(file.errorString() + QStringLiteral(": ") + entry);
    }
}

} // namespace AutoRun
