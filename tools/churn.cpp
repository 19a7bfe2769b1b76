// Works a program folder's database the way the program does, as fast as it can,
// for the durability script to kill at random moments; and checks a database
// after such a kill.
//
//   vh-churn run FOLDER SEED [N]  keystrokes into the root note, groups added and
//                              deleted, backups and restores; after each one it
//                              prints what is now stored ("K <length>" etc.)
//                              With N, it kills itself as the N-th page is written
//                              into bookkeep.dat itself, i.e. during a write-back.
//   vh-churn grow FOLDER LENGTH  makes the root note LENGTH characters of the text
//   vh-churn check FOLDER      prints "ok <note length> <groups>" or what is wrong
//   vh-churn rekey FOLDER STEP the file has the key of RekeyCycle::at(STEP); adds
//                              the next group g and prints "G g", then changes the
//                              login settings to RekeyCycle::at(n), which encrypts
//                              the file anew, and prints "K n", for n = STEP+1, ...
//                              With STOP, it kills itself when the first change
//                              reaches that step (TDbAccess::setStepHookForTesting).
//
// The root note is always a prefix of one fixed endless text, so a check can tell
// a lost or changed keystroke from a missing one.
#include "KillAtWrite.h"
#include "RekeyCycle.h"
#include "base/AppPath.h"
#include "store/DbConnection.h"
#include "store/GroupTable.h"
#include "store/TConfig.h"
#include "store/TDbAccess.h"
#include "store/TNote.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <csignal>
#include <cstdio>

namespace {

QChar textAt(qsizetype i)
{
    return QLatin1Char(static_cast<char>('a' + (i * 7 + i / 26) % 26));
}

// Where the note first differs from the text, -1 when it is a prefix of it.
qsizetype firstDifference(const QString& note)
{
    for (qsizetype i = 0; i < note.size(); ++i) {
        if (note.at(i) != textAt(i)) {
            return i;
        }
    }
    return -1;
}

QString rootNote()
{
    NoteStore.LoadNote(QStringLiteral("0"));
    return NoteStore.HasNote(QStringLiteral("0")) ? NoteStore.ReMark : QString();
}

void say(const char* what, qint64 value)
{
    std::printf("%s %lld\n", what, static_cast<long long>(value));
    std::fflush(stdout);
}

int run(const QString& folder, quint32 seed)
{
    QRandomGenerator random(seed);
    const GroupTable groups(QStringLiteral("NoteType"));
    const QString backup = folder + QStringLiteral("/churn-backup.bat");
    QString note = rootNote();
    for (;;) {
        const int op = static_cast<int>(random.bounded(100));
        if (op < 80) {
            note += textAt(note.size());
            NoteStore.TypeID = 0;
            NoteStore.ReMark = note;
            NoteStore.HasNote(QStringLiteral("0")) ? NoteStore.SaveNote() : NoteStore.AddNote();
            say("K", note.size());
        } else if (op < 88) {
            const int self = groups.MaxIndex() + 1;
            groups.Add(self, 0, QStringLiteral("group %1").arg(self));
            NoteStore.TypeID = self;
            NoteStore.ReMark = QStringLiteral("note of group %1").arg(self);
            NoteStore.AddNote();
            say("G+", self);
        } else if (op < 94) {
            const QList<GroupTable::Row> all = groups.Load();
            if (!all.isEmpty()) {
                const int self = all.at(static_cast<int>(random.bounded(static_cast<int>(all.size())))).self;
                groups.Delete(self);
                say("G-", self);
            }
        } else if (op < 97) {
            BackupTo(backup);
            say("B", note.size());
        } else if (QFile::exists(backup)) {
            RestoreFrom(backup);
            note = rootNote();
            say("R", note.size());
        }
    }
}

int grow(qsizetype length)
{
    QString note;
    note.reserve(length);
    for (qsizetype i = 0; i < length; ++i) {
        note += textAt(i);
    }
    rootNote();
    NoteStore.TypeID = 0;
    NoteStore.ReMark = note;
    NoteStore.HasNote(QStringLiteral("0")) ? NoteStore.SaveNote() : NoteStore.AddNote();
    say("K", note.size());
    return 0;
}

int rekey(int step)
{
    const GroupTable groups(QStringLiteral("NoteType"));
    ConfigStore.LoadConfig();
    for (int n = step + 1;; ++n) {
        // Numbered on from those stored: a killed change may have kept its group.
        const int self = groups.MaxIndex() + 1;
        groups.Add(self, 0, QStringLiteral("group %1").arg(self));
        say("G", self);
        const RekeyCycle::Setting next = RekeyCycle::at(n);
        ConfigStore.bPass = next.on;
        ConfigStore.PassWord = next.password;
        ConfigStore.SaveConfig();
        say("K", n);
    }
}

int check(const QString& folder)
{
    DbConnection db;
    db.open(folder + QStringLiteral("/bookkeep.dat"));
    db.verify();
    const QString integrity = db.scalar(QStringLiteral("PRAGMA integrity_check"));
    if (integrity != QLatin1String("ok")) {
        std::printf("integrity %s\n", qPrintable(integrity));
        return 1;
    }
    const QString note = db.scalar(QStringLiteral("select ReMark from NoteBook where TypeID=0"));
    if (const qsizetype at = firstDifference(note); at >= 0) {
        std::printf("note changed at %lld of %lld: \"%s\"\n", static_cast<long long>(at),
                    static_cast<long long>(note.size()), qPrintable(note.mid(std::max<qsizetype>(0, at - 10), 30)));
        return 1;
    }
    // A note whose group is gone would show up under the next new group.
    const QString orphans = db.scalar(QStringLiteral(
        "select count(*) from NoteBook where TypeID<>0 and TypeID not in (select SelfIndex from NoteType)"));
    if (orphans != QLatin1String("0")) {
        std::printf("orphans %s\n", qPrintable(orphans));
        return 1;
    }
    std::printf("ok %lld %s\n", static_cast<long long>(note.size()),
                qPrintable(db.scalar(QStringLiteral("select count(*) from NoteType"))));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QStringList modes = {QStringLiteral("run"), QStringLiteral("check"), QStringLiteral("rekey"),
                               QStringLiteral("grow")};
    if (args.size() < 2 || !modes.contains(args.at(0))) {
        std::fprintf(stderr,
                     "usage: vh-churn run FOLDER SEED [N] | vh-churn check FOLDER | vh-churn rekey FOLDER STEP [STOP]"
                     " | vh-churn grow FOLDER LENGTH\n");
        return 2;
    }
    try {
        if (args.at(0) == QLatin1String("check")) {
            return check(args.at(1));
        }
        const bool running = args.at(0) == QLatin1String("run");
        if (running && args.size() > 3) {
            killAtWrite(DbFile::kFileName.toUtf8().constData(), args.at(3).toInt());
        }
        setAppPath(args.at(1));
        TDbAccess db;
        DbAccess = &db;
        QString error;
        const bool rekeying = args.at(0) == QLatin1String("rekey");
        const int step = rekeying && args.size() > 2 ? args.at(2).toInt() : 0;
        if (!db.Connect(&error) && !(rekeying && db.NeedsPassword() &&
                                     db.ConnectWith(DbKey::fromPassword(RekeyCycle::at(step).password), &error) ==
                                         TDbAccess::KeyResult::Opened)) {
            std::fprintf(stderr, "vh-churn: %s\n", qPrintable(error));
            return 1;
        }
        if (rekeying) {
            if (args.size() > 3) {
                const QByteArray stop = args.at(3).toLatin1();
                TDbAccess::setStepHookForTesting([stop](const char* done) {
                    if (stop == done) {
                        std::raise(SIGKILL);
                    }
                });
            }
            return rekey(step);
        }
        if (!running) {
            return grow(args.size() > 2 ? args.at(2).toLongLong() : 0);
        }
        return run(args.at(1), args.size() > 2 ? args.at(2).toUInt() : 1);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vh-churn: %s\n", e.what());
        return 1;
    }
}
