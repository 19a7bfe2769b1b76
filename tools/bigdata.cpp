// Makes a database holding the large data set the benchmarks measure against
// (see BigData.h). Refuses to overwrite a file.
#include "BigData.h"

#include "store/EngineError.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: vh-bigdata PATH\n");
        return 2;
    }
    if (QFile::exists(args.first())) {
        std::fprintf(stderr, "%s already exists; not overwritten\n", qPrintable(args.first()));
        return 1;
    }
    try {
        MakeBigDatabase(args.first(), QDateTime::currentDateTime());
    } catch (const EngineError& e) {
        std::fprintf(stderr, "vh-bigdata: %s\n", e.what());
        QFile::remove(args.first());
        return 1;
    }
    return 0;
}
