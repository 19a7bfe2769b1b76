#pragma once

#include <QString>

// Copies a file through a temporary file in the destination's folder that is
// flushed to disk and renamed over the destination: a failed copy never leaves
// half a file behind. Returns false with the platform's text on failure.
bool CopyFileWhole(const QString& source, const QString& destination, QString* error);
