#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

// The floor bench_idlewindow measures velm against: a Qt Widgets window of the main window's
// size whose line edit has the keyboard focus, so that its caret blinks as the composer's
// does. Nothing else is in it.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(u"velm bench plain window"_s);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(u"A plain window with a line edit."_s, &window));
    auto *field = new QLineEdit(&window);
    layout->addWidget(field);
    layout->addStretch(1);
    window.resize(1100, 760);
    window.show();
    field->setFocus();
    return app.exec();
}
