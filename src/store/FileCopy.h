#pragma once

#include <QString>

// Copies a file through a temporary file in the destination's folder that is
// flushed to disk and renamed over the destination: a failed copy never leaves
// half a file behind. Returns false with the platform's text on failure.
bool CopyFileWhole(const QString& source, const QString& destination, QString* error);

// Flushes a finished file to disk, renames it over the destination and flushes
// the folder, so that the rename too survives a crash. Returns false with the
// platform's text when the file is not renamed.
bool SyncAndRename(const QString& source, const QString& destination, QString* error);

// Whether two paths name one file (links and hard links included).
bool SameFile(const QString& a, const QString& b);

// Why a database file cannot be used for writing (its folder or itself marked
// read-only), in Chinese; empty when it can.
QString WritableRefusal(const QString& databasePath);
// "磁盘空间不足…" when the folder's disk has less than `needed` bytes free; empty otherwise.
QString DiskFullText(const QString& folder, qint64 needed);
