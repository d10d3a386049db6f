// Saves what an X display shows as a PNG: `velm_screengrab <file.png>`, with DISPLAY set.
// Qt's own screen grab, so the end-to-end tests need no image tools on the machine.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() != 2) {
        std::fputs("usage: velm_screengrab <file.png>\n", stderr);
        return 2;
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fputs("velm_screengrab: no screen\n", stderr);
        return 1;
    }
    const QPixmap shot = screen->grabWindow(0);
    if (shot.isNull() || !shot.save(arguments.at(1), "PNG")) {
        std::fprintf(stderr, "velm_screengrab: could not save %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    return 0;
}
