#pragma once

#include <QAccessible>
#include <QPointer>
#include <QWidget>
#include <QWindow>

// An item of a widget's accessible tree that is no object of its own and has no children: a
// choice painted in a row, a message whose row is not built. It lives as long as the widget
// it belongs to; a subclass says what it is (validity, role, text, rectangle, state).
class AccessibleLeaf : public QAccessibleInterface
{
public:
    explicit AccessibleLeaf(QWidget *owner)
        : m_owner(owner)
    { }

    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_owner ? m_owner->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_owner.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

protected:
    // Null once the widget is gone.
    QWidget *owner() const { return m_owner.data(); }

private:
    QPointer<QWidget> m_owner;
};
