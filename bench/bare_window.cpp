// The reference of the start-up benchmark: a bare Qt window of the main window's size, built
// with the same compiler, settings and Qt as the program, and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Leer"));
    window.resize(420, 360);
    window.show();
    return QApplication::exec();
}
