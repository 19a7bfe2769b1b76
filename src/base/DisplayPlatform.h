#pragma once

#include <QByteArray>
#include <QStringList>

// Under a Wayland session the program runs through the session's X server where
// there is one: only there can the alert place itself bottom-right and stay on
// top. Where the session offers no X server, the toolkit's own choice stands and
// the desktop notification carries the alert.
namespace DisplayPlatform {

// The platform to ask for before the application object exists, or empty to
// leave the choice to the toolkit. A platform the user chose (QT_QPA_PLATFORM or
// -platform) is kept.
QByteArray Preferred(const QStringList& arguments);

// Asks for the preferred platform for the application object made next; returns
// whether it did, so that the caller can forget the request once the object
// exists (programs the user opens from here make their own choice).
bool Apply(int argc, char** argv);
void Forget();

} // namespace DisplayPlatform
