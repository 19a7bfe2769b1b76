// Makes a fresh bookkeep.dat. With --if-missing an existing file is kept as it
// is, so a rebuild never overwrites a user's data.
#include "MakeDb.h"
#include "store/DbConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: vh-mkdb [--if-missing] PATH\n");
        return 2;
    }
    const QString path = args.first();
    if (QFile::exists(path)) {
        if (ifMissing) {
            return 0;
        }
        std::fprintf(stderr, "%s already exists; not overwritten\n", qPrintable(path));
        return 1;
    }
    try {
        MakeDatabase(path);
    } catch (const EngineError& e) {
        std::fprintf(stderr, "vh-mkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
