#pragma once

#include <QString>

// Starting the program at log-on through the desktop's autostart folder: the
// entry "Vornet-Halvik.desktop" whose Exec is this executable's full path.
namespace AutoRun {

inline const QString kName = QStringLiteral("Vornet-Halvik");

// $XDG_CONFIG_HOME/autostart/Vornet-Halvik.desktop (default ~/.config/autostart).
QString EntryPath();
// The running executable's full path (tests may name another).
QString ExecutablePath();
void setExecutablePathForTesting(const QString& path);

// True when the entry's Exec names exactly this executable (case counts).
bool IsAutoRun();
// Writes or removes the entry; a missing entry removed is no error. A failed
// write raises the platform's error text.
void SetAutoRun(const QString& name, const QString& path, bool on);

// An Exec value for a path per the Desktop Entry rules, and back.
QString QuoteExec(const QString& path);
QString UnquoteExec(const QString& value);

} // namespace AutoRun
