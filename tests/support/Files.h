#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

// Whole-file reads and writes for tests that compare or damage files byte for byte.
inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
