#include "main_window/messageaccessibility.h"

#include "main_window/chatscrollview.h"
#include "main_window/messagerow.h"
#include "widgets/accessibleleaf.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

QString speakerName(const ChatMessage &message)
{
    return message.role == ChatMessage::Role::User
        ? QCoreApplication::translate("MessageAccessibility", "You")
        : u"velm"_s;
}

// A message's text through the text interface, the same as its description, so that a
// reader can move through it by word and by line; read only, without a caret or a selection
// of its own.
class SpokenText : public QAccessibleTextInterface
{
public:
    virtual QString spoken() const = 0;

    QString text(int startOffset, int endOffset) const override
    {
        const QString whole = spoken();
        startOffset = std::clamp(startOffset, 0, int(whole.size()));
        endOffset = std::clamp(endOffset, startOffset, int(whole.size()));
        return whole.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(spoken().size()); }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = offset;
        *endOffset = offset;
        return {};
    }
};

// A message whose row is built, as a list item.
class MessageRowAccessible
    : public QAccessibleWidget
    , public SpokenText
{
public:
    explicit MessageRowAccessible(MessageRow *row)
        : QAccessibleWidget(row, QAccessible::ListItem)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        switch (kind) {
        case QAccessible::Name:
            return speakerName(row()->message());
        case QAccessible::Description:
            return spoken();
        default:
            return QAccessibleWidget::text(kind);
        }
    }
    using SpokenText::text;

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.busy = row()->isStreaming();
        return state;
    }

    QString spoken() const override { return row()->spokenText(); }

private:
    const MessageRow *row() const { return static_cast<const MessageRow *>(object()); }
};

// A message whose row is not built (far from the visible part of a long chat): the same
// item, from the message itself, so that a screen reader reads the whole conversation.
class UnbuiltMessageAccessible
    : public AccessibleLeaf
    , public SpokenText
{
public:
    UnbuiltMessageAccessible(ChatScrollView *view, QWidget *list, const QUuid &id)
        : AccessibleLeaf(list)
        , m_view(view)
        , m_id(id)
    { }

    bool isValid() const override { return m_view && owner() && index() >= 0; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return {};
        if (kind == QAccessible::Name)
            return speakerName(message());
        if (kind == QAccessible::Description)
            return spoken();
        return {};
    }
    using SpokenText::text;
    void setText(QAccessible::Text, const QString &) override { }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect inList = m_view->rowGeometry(m_id);
        return {owner()->mapToGlobal(inList.topLeft()), inList.size()};
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.multiLine = true;
        // Scrolled away, not hidden: a reader still reads it.
        state.offscreen = true;
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : nullptr;
    }

    QString spoken() const override
    {
        return isValid() ? MessageRow::spokenText(message()) : QString();
    }

    QUuid id() const { return m_id; }

private:
    qsizetype index() const
    {
        const QList<MessageListRow> rows = m_view->rows();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows.at(i).id == m_id)
                return i;
        }
        return -1;
    }
    const ChatMessage &message() const { return m_view->rowMessage(index()); }

    QPointer<ChatScrollView> m_view;
    QUuid m_id;
};

// The conversation: a list of every message, built rows or not, in their order.
class ConversationAccessible : public QAccessibleWidget
{
public:
    ConversationAccessible(QWidget *list, ChatScrollView *view)
        : QAccessibleWidget(list, QAccessible::List,
                            QCoreApplication::translate("MessageAccessibility", "Conversation"))
        , m_view(view)
    { }

    ~ConversationAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_unbuilt))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(entries().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<Entry> all = entries();
        if (index < 0 || index >= all.size())
            return nullptr;
        const Entry &entry = all.at(index);
        if (entry.widget)
            return QAccessible::queryAccessibleInterface(entry.widget);
        if (const auto known = m_unbuilt.constFind(entry.id); known != m_unbuilt.constEnd())
            return QAccessible::accessibleInterface(*known);
        auto *made = new UnbuiltMessageAccessible(m_view, widget(), entry.id);
        m_unbuilt.insert(entry.id, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        const QList<Entry> all = entries();
        for (qsizetype i = 0; i < all.size(); ++i) {
            const Entry &entry = all.at(i);
            if (entry.widget ? child->object() == entry.widget
                             : QAccessible::accessibleInterface(m_unbuilt.value(entry.id)) == child)
                return int(i);
        }
        return -1;
    }

private:
    struct Entry
    {
        QUuid id;
        QWidget *widget;
    };

    // The rows in order: each built one, and each message whose row is not built.
    QList<Entry> entries() const
    {
        QList<Entry> all;
        if (!m_view)
            return all;
        const QList<MessageListRow> rows = m_view->rows();
        all.reserve(rows.size());
        for (const MessageListRow &row : rows) {
            QWidget *built = m_view->rowWidget(row.id);
            if (built || row.kind == MessageListRow::Kind::Message)
                all.append({row.id, built});
        }
        return all;
    }

    QPointer<ChatScrollView> m_view;
    mutable QHash<QUuid, QAccessible::Id> m_unbuilt;
};

QAccessibleInterface *accessibleMessage(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == u"MessageRow"_s)
        return new MessageRowAccessible(static_cast<MessageRow *>(object));
    if (className == u"QWidget"_s && object->objectName() == u"messageList"_s) {
        // The list lies in the scrolling view's viewport.
        QWidget *viewport = widget->parentWidget();
        auto *view = viewport ? qobject_cast<ChatScrollView *>(viewport->parentWidget()) : nullptr;
        return new ConversationAccessible(widget, view);
    }
    return nullptr;
}

} // namespace

namespace MessageAccessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleMessage);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace MessageAccessibility
