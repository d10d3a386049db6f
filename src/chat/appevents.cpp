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

bool AppEvents::postImportDialogChat(const QString &query, const QString &answer,
                                     const QString &reasoning,
                                     std::optional<double> thinkingSeconds, const QString &model,
                                     const std::optional<AnswerStats> &stats)
{
    if (query.trimmed().isEmpty())
        return false;
    Q_EMIT importDialogChat(query, answer, reasoning, thinkingSeconds, model, stats);
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
