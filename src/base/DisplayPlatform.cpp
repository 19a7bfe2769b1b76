#include "DisplayPlatform.h"

#include <QtGlobal>

namespace DisplayPlatform {

QByteArray Preferred(const QStringList& arguments)
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        return {};
    }
    for (const QString& given : arguments) {
        const QString argument = given.startsWith(QLatin1String("--")) ? given.mid(1) : given;
        if (argument == QLatin1String("-platform") || argument.startsWith(QLatin1String("-platform="))) {
            return {};
        }
    }
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    return wayland && x11 ? QByteArrayLiteral("xcb") : QByteArray();
}

bool Apply(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const QByteArray platform = Preferred(arguments);
    return !platform.isEmpty() && qputenv("QT_QPA_PLATFORM", platform);
}

void Forget()
{
    qunsetenv("QT_QPA_PLATFORM");
}

} // namespace DisplayPlatform
