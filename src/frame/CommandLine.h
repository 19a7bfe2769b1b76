#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What the program does when started with options: import or export on its own
// database without any window or display, or answer --help and --version.
// Without such an option (other arguments are ignored) it opens its window.
namespace CommandLine {

struct Command
{
    enum class Kind
    {
        Window, // no option of ours: the window opens
        Help,
        Version,
        ImportBookmarks,
        ExportBookmarks,
        ImportNotes,
        ExportNotes,
        Wrong, // an option of ours used wrongly; `error` says how
    };
    Kind kind = Kind::Window;
    QString path;
    QString error;
};

// Reads the arguments after the program's name. "--option FILE" and
// "--option=FILE" are the same; one command at a time.
Command Parse(const QStringList& arguments);

QString HelpText();
QString VersionText();

// Runs a command that is not Window: the words for the user go to `out`
// (what was done) and `err` (why not), and the exit code is returned: 0 done,
// 1 failed, 2 wrongly asked, 3 refused beside a running copy. Needs only a
// QCoreApplication.
int Run(const Command& command, const std::function<void(const QString&)>& out,
        const std::function<void(const QString&)>& err);

// main(): runs the command the arguments ask for, printing to the terminal, and
// returns its exit code; nothing when the window is to open.
std::optional<int> RunIfAsked(int argc, char** argv);

// Asks for the login password without showing it; nothing when no one can be
// asked (no terminal). Tests answer in its place; an empty function restores it.
using PasswordReader = std::function<std::optional<QString>(const QString& prompt)>;
void setPasswordReader(PasswordReader reader);

} // namespace CommandLine
