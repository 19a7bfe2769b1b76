#include "CommandLine.h"

#include "FirstStart.h"
#include "base/AppPath.h"
#include "base/ExceptionHandler.h"
#include "base/Exceptions.h"
#include "base/Messages.h"
#include "base/Wipe.h"
#include "desktop/SingleInstance.h"
#include "store/BookmarkTransfer.h"
#include "store/NoteTransfer.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace CommandLine {

namespace {

using Kind = Command::Kind;

struct Option
{
    const char* name;
    Kind kind;
    const char* argument; // what it takes, or nothing
};

const Option kOptions[] = {
    {"--import-bookmarks", Kind::ImportBookmarks, "文件"},
    {"--export-bookmarks", Kind::ExportBookmarks, "文件"},
    {"--import-notes", Kind::ImportNotes, "文件夹"},
    {"--export-notes", Kind::ExportNotes, "文件夹"},
    {"--help", Kind::Help, nullptr},
    {"--version", Kind::Version, nullptr},
};

const Option* find(const QString& name)
{
    for (const Option& option : kOptions) {
        if (name == QLatin1String(option.name)) {
            return &option;
        }
    }
    if (name == u"-h") {
        return &kOptions[4];
    }
    if (name == u"-v") {
        return &kOptions[5];
    }
    return nullptr;
}

// The terminal as it was, put back however the read ends (Ctrl+C included).
termios g_saved;
bool g_quiet = false;

void restoreEcho()
{
    if (g_quiet) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
        g_quiet = false;
    }
}

extern "C" void interrupted(int signal)
{
    restoreEcho();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::optional<QString> readFromTerminal(const QString& prompt)
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_saved) != 0) {
        return std::nullopt;
    }
    std::fputs(prompt.toUtf8().constData(), stderr);
    std::fflush(stderr);
    termios quiet = g_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    auto oldInt = std::signal(SIGINT, interrupted);
    auto oldTerm = std::signal(SIGTERM, interrupted);
    g_quiet = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        line += static_cast<char>(c);
    }
    restoreEcho();
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    std::fputs("\n", stderr);
    const bool nothing = c == EOF && line.empty();
    QString typed = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    std::fill(line.begin(), line.end(), '\0');
    if (nothing) {
        return std::nullopt;
    }
    return typed;
}

PasswordReader g_reader;

std::optional<QString> askPassword(const QString& prompt)
{
    return g_reader ? g_reader(prompt) : readFromTerminal(prompt);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Does the command on the open database and says what was done.
QString perform(const Command& command)
{
    // Said back in full, so that a script's log shows where things went.
    const QString path = QFileInfo(command.path).absoluteFilePath();
    switch (command.kind) {
    case Kind::ImportBookmarks:
        return ImportSummary(ImportBookmarkFile(path, 0));
    case Kind::ExportBookmarks:
        return ExportSummary(ExportBookmarkFile(path, 0), path);
    case Kind::ImportNotes:
        return NoteImportSummary(ImportNotes(path, 0));
    case Kind::ExportNotes:
        return NoteExportSummary(ExportNotes(0, path));
    default:
        return QString();
    }
}

// The message boxes of whatever runs below print instead.
class PrintedMessages
{
public:
    explicit PrintedMessages(const std::function<void(const QString&)>& err)
    {
        Messages::setPresenter([err](Messages::Kind, const QString&, const QString& text) {
            QString line = text;
            err(line.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            return false;
        });
    }
    ~PrintedMessages()
    {
        Messages::setPresenter({});
    }
    PrintedMessages(const PrintedMessages&) = delete;
    PrintedMessages& operator=(const PrintedMessages&) = delete;
};

int runOnDatabase(const Command& command, const std::function<void(const QString&)>& out,
                  const std::function<void(const QString&)>& err)
{
    const bool installed = AppPaths::IsInstalledLayout(QCoreApplication::applicationDirPath());
    if (installed && !FirstStart::MakeDataFolder(AppPath())) {
        return 1;
    }
    const QString database = AppPath() + DbFile::kFileName;
    // Two copies writing one file could each undo the other's changes.
    SingleInstance instance(database);
    if (!instance.HoldWithoutHandOver()) {
        err(QStringLiteral("Vornet-Halvik 正在运行（数据库 %1）。请先退出正在运行的程序，再从命令行导入或导出。")
                .arg(shown(database)));
        return 3;
    }
    if (installed && !FirstStart::MakeDatabaseIfMissing(database)) {
        return 1;
    }
    TDbAccess db;
    TDbAccess* const before = DbAccess;
    DbAccess = &db;
    struct Restore
    {
        TDbAccess* db;
        ~Restore()
        {
            DbAccess = db;
        }
    } restore{before};
    const QString noTerminal = QStringLiteral("已设置登录密码：请在终端中运行此命令，以便输入密码。未执行任何操作。");
    const QString wrongPassword = QStringLiteral("密码错误，未执行任何操作。");
    QString error;
    bool loggedIn = false;
    if (!db.Connect(&error)) {
        if (!db.NeedsPassword()) {
            err(QStringLiteral("数据库连接失败！\n详细信息：%1").arg(error));
            return 1;
        }
        // Keyed with the login password: what is typed is tried as the key.
        std::optional<QString> typed = askPassword(QStringLiteral("请输入登录密码："));
        if (!typed) {
            err(noTerminal);
            return 1;
        }
        const auto result = db.ConnectWith(DbKey::fromPassword(*typed), &error);
        Wipe(*typed);
        if (result == TDbAccess::KeyResult::WrongKey) {
            err(wrongPassword);
            return 1;
        }
        if (result == TDbAccess::KeyResult::Failed) {
            err(QStringLiteral("数据库连接失败！\n详细信息：%1").arg(error));
            return 1;
        }
        loggedIn = true;
    }
    int rc = 1;
    Guarded([&] {
        ConfigStore.LoadConfig();
        // A file keyed with the fixed key keeps the stored password's check.
        if (!loggedIn && ConfigStore.bPass && !ConfigStore.PassWord.isEmpty()) {
            const std::optional<QString> typed = askPassword(QStringLiteral("请输入登录密码："));
            if (!typed) {
                throw EAppError(noTerminal);
            }
            if (*typed != ConfigStore.PassWord) {
                throw EAppError(wrongPassword);
            }
        }
        out(perform(command));
        db.WriteBack();
        rc = 0;
    });
    return rc;
}

} // namespace

Command Parse(const QStringList& arguments)
{
    Command command;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const qsizetype equals = argument.indexOf(u'=');
        const QString name = argument.startsWith(QLatin1String("--")) && equals > 0 ? argument.left(equals) : argument;
        const Option* option = find(name);
        if (!option) {
            continue; // not ours: ignored, as the window always has
        }
        if (command.kind != Kind::Window && command.kind != option->kind) {
            return {Kind::Wrong, QString(), QStringLiteral("一次只能执行一个命令：%1").arg(name)};
        }
        command.kind = option->kind;
        if (!option->argument) {
            continue;
        }
        if (equals > 0 && name != argument) {
            command.path = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            command.path = arguments[++i];
        }
        if (command.path.isEmpty()) {
            return {Kind::Wrong, QString(),
                    QStringLiteral("%1 后面要写%2的名字。").arg(name, QString::fromUtf8(option->argument))};
        }
    }
    return command;
}

QString HelpText()
{
    return QStringLiteral(
               "用法：vornet-halvik [选项]\n"
               "不带选项时打开程序窗口。下面的导入、导出选项不打开窗口，也不需要图形界面（可在 ssh 或脚本中使用），\n"
               "在程序自己的数据库上执行，说明做了什么后退出。\n"
               "\n"
               "  --import-bookmarks 文件   把浏览器导出的书签文件（HTML）导入到网址的“全部”下，\n"
               "                            文件夹成为分组；已保存在同一分组中的网址跳过\n"
               "  --export-bookmarks 文件   把全部网址导出为书签文件（HTML），浏览器可以导入\n"
               "  --import-notes 文件夹     把文件夹导入为“根目录”下的一个笔记分组：子文件夹成为下级分组，\n"
               "                            .txt、.md 文件成为带笔记的分组\n"
               "  --export-notes 文件夹     把全部笔记导出到该文件夹下的“根目录”文件夹中：\n"
               "                            每个分组一个文件夹，分组的笔记是其中同名的 .txt 文件\n"
               "  --help                    显示本帮助后退出\n"
               "  --version                 显示版本后退出\n"
               "\n"
               "程序正在运行时不能从命令行导入或导出，请先退出程序。设置了登录密码时，要在终端中输入密码。\n"
               "退出码：0 完成，1 失败，2 选项用错，3 程序正在运行。\n"
               "数据库：%1")
        .arg(shown(AppPath() + DbFile::kFileName));
}

QString VersionText()
{
    return QStringLiteral("Vornet-Halvik %1").arg(QStringLiteral(VH_VERSION));
}

int Run(const Command& command, const std::function<void(const QString&)>& out,
        const std::function<void(const QString&)>& err)
{
    switch (command.kind) {
    case Kind::Window:
        return 0;
    case Kind::Help:
        out(HelpText());
        return 0;
    case Kind::Version:
        out(VersionText());
        return 0;
    case Kind::Wrong:
        err(command.error + QStringLiteral("\n用 vornet-halvik --help 查看用法。"));
        return 2;
    default:
        break;
    }
    PrintedMessages printed(err);
    return runOnDatabase(command, out, err);
}

std::optional<int> RunIfAsked(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const Command command = Parse(arguments);
    if (command.kind == Kind::Window) {
        return std::nullopt;
    }
    // No window, so no display is needed: the core application is enough.
    QCoreApplication app(argc, argv);
    auto printTo = [](FILE* stream) {
        return [stream](const QString& text) {
            std::fputs((text + u'\n').toUtf8().constData(), stream);
            std::fflush(stream);
        };
    };
    return Run(command, printTo(stdout), printTo(stderr));
}

void setPasswordReader(PasswordReader reader)
{
    g_reader = std::move(reader);
}

} // namespace CommandLine
