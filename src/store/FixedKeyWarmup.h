#pragma once

#include <QByteArray>
#include <QString>
#include <thread>

// Deriving the page key from the fixed key is the slowest step of opening the
// file (tens of milliseconds of key stretching). The derivation depends only on
// the key and the salt in the file's first bytes, so it can run on another core
// while the toolkit starts; the first open then hands the engine the derived key
// with its salt instead of the fixed key. Nothing else changes: a file whose salt
// changed meanwhile, or an engine that stretches keys another way, simply opens
// with the fixed key as before.
//
// One lives in main() for the program's start; the first open takes its result.
class FixedKeyWarmup
{
public:
    explicit FixedKeyWarmup(const QString& databasePath);
    ~FixedKeyWarmup(); // waits for the derivation
    FixedKeyWarmup(const FixedKeyWarmup&) = delete;
    FixedKeyWarmup& operator=(const FixedKeyWarmup&) = delete;

    // The derived key in the engine's raw form (x'<key><salt>') when it was
    // derived for this file and the file still starts with that salt; empty
    // otherwise. Waits for the derivation; given out once.
    static QByteArray Take(const QString& databasePath);

    // The derivation itself, as the engine does it for the fixed key.
    static QByteArray RawKeyFor(const QByteArray& salt);
    // The salt a keyed file starts with; empty for a short or a plain file.
    static QByteArray SaltOf(const QString& path);

private:
    QString m_path;
    QByteArray m_salt;
    QByteArray m_rawKey;
    std::thread m_thread;
};
