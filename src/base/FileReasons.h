#pragma once

#include <QString>

// Why a file could not be read or written, in the user's words (the toolkit's
// own texts are English).
QString ReadFailureReason(const QString& path);
QString WriteFailureReason(const QString& path);
