#include "keyboardaudit.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QMetaEnum>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace KeyboardAudit {

namespace {

QString roleName(QAccessible::Role role)
{
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

QString describe(QAccessibleInterface *iface)
{
    QString text = roleName(iface->role());
    if (QObject *object = iface->object()) {
        text += u" "_s + QString::fromLatin1(object->metaObject()->className());
        if (!object->objectName().isEmpty())
            text += u" \""_s + object->objectName() + u'"';
    }
    const QString name = iface->text(QAccessible::Name);
    if (!name.isEmpty())
        text += u" named \""_s + name + u'"';
    return text;
}

// Roles whose objects a user acts on: each must say what it does.
bool isControl(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::PageTab:
    case QAccessible::Link:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ListItem:
    case QAccessible::MenuItem:
    case QAccessible::List:
    case QAccessible::PageTabList:
    case QAccessible::Dialog:
    case QAccessible::Window:
        return true;
    default:
        return false;
    }
}

// Roles that tell a screen reader nothing about a keyboard stop.
bool saysNothing(QAccessible::Role role)
{
    return role == QAccessible::NoRole || role == QAccessible::Client || role == QAccessible::Pane
        || role == QAccessible::Whitespace || role == QAccessible::Separator;
}

void audit(QAccessibleInterface *iface, QStringList &problems)
{
    const QAccessible::State state = iface->state();
    auto *widget = qobject_cast<QWidget *>(iface->object());
    if (widget && !widget->isVisible() && !state.invisible)
        problems.append(describe(iface) + u": hidden but reported as shown"_s);
    if (state.invisible)
        return;
    const QAccessible::Role role = iface->role();
    const bool named = !iface->text(QAccessible::Name).trimmed().isEmpty();
    if (isControl(role) && !named)
        problems.append(describe(iface) + u": no name"_s);
    // A group says what it is through the choice it holds (a segmented picker's radio buttons).
    const bool emptyGroup = role == QAccessible::Grouping && iface->childCount() == 0;
    if (state.focusable && (saysNothing(role) || emptyGroup)
        && (!widget || (widget->focusPolicy() & Qt::TabFocus)))
        problems.append(describe(iface) + u": a keyboard stop that says nothing of what it is"_s);
    if (role == QAccessible::ListItem && iface->parent()
        && iface->parent()->text(QAccessible::Name) == u"Conversation"_s) {
        QAccessibleTextInterface *text = iface->textInterface();
        if (iface->text(QAccessible::Description).isEmpty() || !text || text->characterCount() == 0)
            problems.append(describe(iface) + u": a message without its text"_s);
    }
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface *child = iface->child(i))
            audit(child, problems);
    }
}

// Screen readers read the app's notification as it is shown; Qt tells them through its show event,
// which reaches assistive technology only through a platform's bridge (none offscreen):
// the recorder watches the show itself.
class AnnouncementFilter : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == u"announcer"_s) {
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(watched);
            if (iface && iface->role() == QAccessible::Notification)
                texts.append(iface->text(QAccessible::Name));
        }
        return false;
    }

    QStringList texts;
};

AnnouncementFilter *recorder = nullptr;

} // namespace

Announcements::Announcements()
{
    delete recorder;
    recorder = new AnnouncementFilter;
    QCoreApplication::instance()->installEventFilter(recorder);
}

Announcements::~Announcements()
{
    delete recorder;
    recorder = nullptr;
}

QStringList Announcements::texts() const
{
    return recorder ? recorder->texts : QStringList();
}

QStringList accessibilityProblems(QWidget *window)
{
    QStringList problems;
    audit(QAccessible::queryAccessibleInterface(window), problems);
    return problems;
}

QString focusName()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return u"(nothing)"_s;
    const QString name = QAccessible::queryAccessibleInterface(focus)->text(QAccessible::Name);
    if (!name.isEmpty())
        return name;
    return QString::fromLatin1(focus->metaObject()->className()) + u' ' + focus->objectName();
}

QStringList tabOrder(int maxSteps, bool backwards)
{
    QStringList order{focusName()};
    QWidget *start = QApplication::focusWidget();
    for (int step = 0; step < maxSteps && QApplication::focusWidget(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        if (QApplication::focusWidget() == start)
            break;
        order.append(focusName());
    }
    return order;
}

} // namespace KeyboardAudit
