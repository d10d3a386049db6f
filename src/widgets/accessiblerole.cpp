#include "widgets/accessiblerole.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QWidget>

namespace AccessibleRole {

namespace {

QHash<QString, QAccessible::Role> &roles()
{
    static QHash<QString, QAccessible::Role> assigned;
    return assigned;
}

// Qt asks with each class name from the object's own up through its bases: the most derived
// class that has a role gives it.
QAccessibleInterface *accessibleWithRole(const QString &className, QObject *object)
{
    const auto role = roles().constFind(className);
    if (role == roles().constEnd() || !object || !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget *>(object), *role);
}

} // namespace

void assign(const char *className, QAccessible::Role role)
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleWithRole);
        return true;
    }();
    Q_UNUSED(installed);
    roles().insert(QString::fromLatin1(className), role);
}

} // namespace AccessibleRole
