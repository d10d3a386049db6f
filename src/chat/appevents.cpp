#include "chat/appevents.h"

#include <QMetaType>

namespace {

// Only real strings count: QVariant would happily turn a number or a byte array into text,
// and a payload of the wrong type means the poster and the observer disagree.
bool holdsString(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<QString>();
}

QUuid uuidFrom(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QUuid>())
        return value.toUuid();
    if (!holdsString(value))
        return {};
    // QUuid::fromString also takes the braced form; identifiers are exchanged without braces.
    const QString text = value.toString();
    if (text.size() != 36)
        return {};
    return QUuid::fromString(text);
}

} // namespace

AppEvents::AppEvents(QObject *parent)
    : QObject(parent)
{ }

bool AppEvents::post(const QString &name, const QVariantMap &userInfo)
{
    if (name == Name::AskDialogDidOpen) {
        postAskDialogDidOpen();
        return true;
    }
    if (name == Name::OpenAskDialog) {
        postOpenAskDialog();
        return true;
    }
    if (name == Name::ShowMainWindow) {
        postShowMainWindow();
        return true;
    }
    if (name == Name::HideToMenuBar) {
        postHideToMenuBar();
        return true;
    }
    if (name == Name::QuitAsk) {
        postQuitAsk();
        return true;
    }
    if (name == Name::ChatsDidChangeExternally) {
        postChatsDidChangeExternally();
        return true;
    }
    if (name == Name::ImportDialogChat) {
        const QVariant query = userInfo.value(Key::Query);
        if (!holdsString(query))
            return false;
        // A missing or mistyped answer is no reason to lose the question.
        const QVariant answer = userInfo.value(Key::Answer);
        return postImportDialogChat(query.toString(),
                                    holdsString(answer) ? answer.toString() : QString());
    }
    if (name == Name::OpenChatSession)
        return postOpenChatSession(uuidFrom(userInfo.value(Key::Id)));
    return false;
}

void AppEvents::postAskDialogDidOpen()
{
    Q_EMIT askDialogDidOpen();
}

void AppEvents::postOpenAskDialog()
{
    Q_EMIT openAskDialog();
}

void AppEvents::postShowMainWindow()
{
    Q_EMIT showMainWindow();
}

void AppEvents::postHideToMenuBar()
{
    Q_EMIT hideToMenuBar();
}

void AppEvents::postQuitAsk()
{
    Q_EMIT quitAsk();
}

bool AppEvents::postImportDialogChat(const QString &query, const QString &answer)
{
    if (query.trimmed().isEmpty())
        return false;
    Q_EMIT importDialogChat(query, answer);
    return true;
}

void AppEvents::postChatsDidChangeExternally()
{
    Q_EMIT chatsDidChangeExternally();
}

bool AppEvents::postOpenChatSession(const QUuid &id)
{
    if (id.isNull())
        return false;
    Q_EMIT openChatSession(id);
    return true;
}
