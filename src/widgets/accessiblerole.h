#pragma once

#include <QAccessible>

// Gives every widget of a class the accessible role that its base class cannot say: a painted
// heading, a frameless window that is a dialog, a plain widget that is the app's window. The
// rest (name, state, children) is QAccessibleWidget's.
namespace AccessibleRole {

// `className` as its Q_OBJECT names it.
void assign(const char *className, QAccessible::Role role);

} // namespace AccessibleRole
