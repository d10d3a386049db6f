#include "widgets/accessiblechoices.h"

#include "widgets/accessibleleaf.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace {

struct Roles
{
    QAccessible::Role row;
    QAccessible::Role choice;
};

QHash<QString, Roles> &installed()
{
    static QHash<QString, Roles> roles;
    return roles;
}

class ChoiceAccessible
    : public AccessibleLeaf
    , public QAccessibleActionInterface
{
public:
    ChoiceAccessible(QWidget *row, int index, QAccessible::Role role)
        : AccessibleLeaf(row)
        , m_index(index)
        , m_role(role)
    { }

    bool isValid() const override { return owner() && m_index < choices()->choiceCount(); }
    QAccessible::Role role() const override { return m_role; }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name && isValid() ? choices()->choiceName(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString &) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect local = choices()->choiceRect(m_index);
        return QRect(owner()->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid() || !owner()->isVisible()) {
            state.invisible = true;
            return state;
        }
        const bool chosen = choices()->currentChoice() == m_index;
        state.focusable = true;
        state.focused = chosen && owner()->hasFocus();
        if (m_role == QAccessible::RadioButton) {
            state.checkable = true;
            state.checked = chosen;
        } else {
            state.selectable = true;
            state.selected = chosen;
        }
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
            ? static_cast<QAccessibleActionInterface *>(this)
            : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction() && isValid())
            choices()->pickChoice(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    AccessibleChoices *choices() const { return dynamic_cast<AccessibleChoices *>(owner()); }

    int m_index;
    QAccessible::Role m_role;
};

class RowAccessible : public QAccessibleWidget
{
public:
    RowAccessible(QWidget *row, Roles roles)
        : QAccessibleWidget(row, roles.row)
        , m_choiceRole(roles.choice)
    { }

    ~RowAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return choices()->choiceCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto known = m_children.constFind(index); known != m_children.constEnd())
            return QAccessible::accessibleInterface(*known);
        auto *made = new ChoiceAccessible(widget(), index, m_choiceRole);
        m_children.insert(index, QAccessible::registerAccessibleInterface(made));
        return made;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (auto it = m_children.constBegin(); it != m_children.constEnd(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        for (int i = 0; i < childCount(); ++i) {
            if (choices()->choiceRect(i).contains(local))
                return child(i);
        }
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override
    {
        return widget()->hasFocus() ? child(choices()->currentChoice()) : nullptr;
    }

private:
    AccessibleChoices *choices() const { return dynamic_cast<AccessibleChoices *>(widget()); }

    QAccessible::Role m_choiceRole;
    mutable QHash<int, QAccessible::Id> m_children;
};

QAccessibleInterface *rowAccessible(const QString &className, QObject *object)
{
    const auto roles = installed().constFind(className);
    if (roles == installed().constEnd() || !object || !object->isWidgetType()
        || !dynamic_cast<AccessibleChoices *>(object))
        return nullptr;
    return new RowAccessible(static_cast<QWidget *>(object), *roles);
}

} // namespace

void AccessibleChoices::install(const char *className, QAccessible::Role role,
                                QAccessible::Role choiceRole)
{
    static const bool factory = [] {
        QAccessible::installFactory(rowAccessible);
        return true;
    }();
    Q_UNUSED(factory);
    installed().insert(QString::fromLatin1(className), {role, choiceRole});
}

void AccessibleChoices::notifyChosen(QWidget *widget)
{
    auto *choices = dynamic_cast<AccessibleChoices *>(widget);
    if (!QAccessible::isActive() || !choices || choices->currentChoice() < 0)
        return;
    QAccessibleEvent event(widget,
                           widget->hasFocus() ? QAccessible::Focus : QAccessible::Selection);
    event.setChild(choices->currentChoice());
    QAccessible::updateAccessibility(&event);
}
