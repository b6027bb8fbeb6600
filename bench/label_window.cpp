// A reference of the start-up benchmark: the bare window with one line of text. Showing text
// is what starts the font configuration and the accessibility bridge, which every window of
// the program needs and the bare window never does. Built twice: with Qt Widgets alone, and
// linked like the program against the update's libraries (Qt Network, libzip, libgcrypt),
// which the dynamic loader then maps and relocates at every start.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#ifdef WITH_UPDATE_LIBRARIES
#include <gcrypt.h>
#include <zip.h>

#include <QNetworkAccessManager>
#endif

int main(int argc, char** argv) {
#ifdef WITH_UPDATE_LIBRARIES
    // Never true; the calls keep each library on the window's list of needed libraries.
    if (argc > 1000) {
        QNetworkAccessManager network;
        return gcry_check_version(nullptr)[0] + zip_libzip_version()[0];
    }
#endif
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Leer"));
    window.resize(420, 360);
    QLabel label(QStringLiteral("Neues Projekt oder Projekt öffnen"), &window);
    label.move(8, 8);
    window.show();
    return QApplication::exec();
}
