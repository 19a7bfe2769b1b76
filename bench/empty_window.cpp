// The yardstick of the start-up benchmark: an empty Qt Widgets window of the
// program's size, started the same way.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(792, 486);
    window.show();
    return app.exec();
}
