#include "main_window/messageaccessibility.h"

#include "main_window/messagerow.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

// A message as a list item. The text interface gives the same text as the description, so
// that a reader can move through it by word and by line.
class MessageRowAccessible
    : public QAccessibleWidget
    , public QAccessibleTextInterface
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
            return row()->message().role == ChatMessage::Role::User
                ? QCoreApplication::translate("MessageAccessibility", "You")
                : u"velm"_s;
        case QAccessible::Description:
            return row()->spokenText();
        default:
            return QAccessibleWidget::text(kind);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.busy = row()->isStreaming();
        return state;
    }

    // QAccessibleTextInterface: the message's text, read only, without a caret or a
    // selection of its own.
    QString text(int startOffset, int endOffset) const override
    {
        const QString whole = row()->spokenText();
        startOffset = std::clamp(startOffset, 0, int(whole.size()));
        endOffset = std::clamp(endOffset, startOffset, int(whole.size()));
        return whole.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(row()->spokenText().size()); }
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

private:
    const MessageRow *row() const { return static_cast<const MessageRow *>(object()); }
};

QAccessibleInterface *accessibleMessage(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == u"MessageRow"_s)
        return new MessageRowAccessible(static_cast<MessageRow *>(object));
    if (className == u"QWidget"_s && object->objectName() == u"messageList"_s)
        return new QAccessibleWidget(
            static_cast<QWidget *>(object), QAccessible::List,
            QCoreApplication::translate("MessageAccessibility", "Conversation"));
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
