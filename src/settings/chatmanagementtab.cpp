#include "settings/chatmanagementtab.h"

#include "core/appevents.h"
#include "core/chatstore.h"

ChatManagementTab::ChatManagementTab(ChatStore *store, AppEvents *events, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_events(events)
{ }

ChatManagementTab::~ChatManagementTab() = default;

void ChatManagementTab::setSaveFileChooser(SaveFileChooser chooser)
{
    m_chooseSaveFile = std::move(chooser);
}

QList<ChatSession> ChatManagementTab::archivedSessions() const
{
    return {};
}

QString ChatManagementTab::countsText(const QList<ChatSession> &sessions)
{
    Q_UNUSED(sessions)
    return {};
}

void ChatManagementTab::reload() { }
void ChatManagementTab::openArchived(const QUuid &) { }
void ChatManagementTab::restore(const QUuid &) { }
void ChatManagementTab::deletePermanently(const QUuid &) { }
void ChatManagementTab::confirmDeleteAll() { }
void ChatManagementTab::deleteAllChats() { }
void ChatManagementTab::exportAllChats() { }

void ChatManagementTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
}

void ChatManagementTab::setExportNote(const QString &note)
{
    m_exportNote = note;
}

void ChatManagementTab::rebuild() { }
