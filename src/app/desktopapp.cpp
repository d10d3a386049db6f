#include "app/desktopapp.h"

#include "app/appfonts.h"
#include "markdown/mathwebprofile.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

int runDesktopApp(int &argc, char **argv)
{
    MathWebProfile::prepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velm"));
    QApplication::setApplicationVersion(QStringLiteral(VELM_VERSION));
    registerAppFonts();

    // Stand-in until the real main window lands.
    QWidget window;
    window.setWindowTitle(QStringLiteral("velm"));
    window.resize(1100, 760);
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("velm"), &window);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    window.show();
    return app.exec();
}
