#pragma once

#include "core/chatsession.h"

#include <QList>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <functional>

class AppEvents;
class ChatStore;
class QLabel;
class QPushButton;
class QShowEvent;
class QTimer;
class QVBoxLayout;
class SettingsSection;

// The "Chats" tab of the settings window: how many chats are stored, a JSON export of all of
// them, deleting all of them, and the archived chats with open, restore and delete.
//
// The tab never talks to the main window: it changes the store and announces every change
// with chatsDidChangeExternally, and asks for the main window through the events hub.
class ChatManagementTab : public QWidget
{
    Q_OBJECT

public:
    // Asks where to save; an empty path means the user cancelled. Arguments: the dialog's
    // parent, title, proposed path and name filter (those of QFileDialog::getSaveFileName).
    using SaveFileChooser = std::function<QString(
        QWidget *parent, const QString &title, const QString &proposedPath, const QString &filter)>;

    ChatManagementTab(ChatStore *store, AppEvents *events, QWidget *parent = nullptr);
    ~ChatManagementTab() override;

    // Replaces the save dialog (tests answer without showing one).
    void setSaveFileChooser(SaveFileChooser chooser);

    // The tab's copy of the stored chats, as of the last reload.
    QList<ChatSession> sessions() const { return m_sessions; }
    // The archived chats, the most recently updated first.
    QList<ChatSession> archivedSessions() const;
    // "Saved ✓", "Export failed", or empty.
    QString exportNote() const { return m_exportNote; }

    // The text of the counts row, e.g. "3 active · 2 archived".
    static QString countsText(const QList<ChatSession> &sessions);

public Q_SLOTS:
    void reload();
    void openArchived(const QUuid &id);
    void restore(const QUuid &id);
    void deletePermanently(const QUuid &id);
    // Asks first ("Delete all chats?"); deleteAllChats() does the deletion.
    void confirmDeleteAll();
    void deleteAllChats();
    void exportAllChats();

Q_SIGNALS:
    void exportNoteChanged(const QString &note);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setExportNote(const QString &note);
    void rebuild();

    ChatStore *m_store = nullptr;
    AppEvents *m_events = nullptr;
    SaveFileChooser m_chooseSaveFile;
    QList<ChatSession> m_sessions;
    QString m_exportNote;
};
