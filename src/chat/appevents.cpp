#include "chat/appevents.h"

AppEvents::AppEvents(QObject *parent)
    : QObject(parent)
{ }

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

bool AppEvents::postImportDialogChat(const ChatMessage &question, const ChatMessage &answer)
{
    if (question.text.trimmed().isEmpty() && question.attachments.isEmpty())
        return false;
    Q_EMIT importDialogChat(question, answer);
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
