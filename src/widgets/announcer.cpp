#include "widgets/announcer.h"

#include "widgets/accessiblerole.h"

using namespace Qt::StringLiterals;

Announcer::Announcer(QWidget *window)
    : QWidget(window)
{
    AccessibleRole::assign("Announcer", QAccessible::Notification);
    setObjectName(u"announcer"_s);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
}

void Announcer::announce(QWidget *widget, const QString &text)
{
    if (!widget || text.trimmed().isEmpty())
        return;
    QWidget *window = widget->window();
    auto *announcer = window->findChild<Announcer *>(u"announcer"_s, Qt::FindDirectChildrenOnly);
    if (!announcer)
        announcer = new Announcer(window);
    // Hidden and shown again: a screen reader reads the notification when it comes into
    // view, the same text twice included.
    announcer->hide();
    announcer->setAccessibleName(text);
    announcer->show();
    announcer->raise();
}
