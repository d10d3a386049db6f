#pragma once

#include "chat/chatsession.h"
#include "chat/chatstore.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <functional>

class AppEvents;
class QGraphicsOpacityEffect;
class QLabel;
class QShowEvent;
class QTimer;
class QVBoxLayout;
class SettingsButton;
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
    // The open "Delete all chats?" question, if any.
    QMessageBox *deleteAllAlert() const;

    // The text of the counts row, e.g. "3 active · 2 archived".
    static QString countsText(const QList<ChatSession> &sessions);
    // Where the save dialog starts: "velm-chats.json" in the documents folder, or in the
    // home folder when there is none.
    static QString proposedExportPath();

public Q_SLOTS:
    void reload();
    void openArchived(const QUuid &id);
    void restore(const QUuid &id);
    void deletePermanently(const QUuid &id);
    // Asks first ("Delete all chats?"); its "Delete All" runs deleteAllChats().
    void confirmDeleteAll();
    void deleteAllChats();
    void exportAllChats();

Q_SIGNALS:
    void exportNoteChanged(const QString &note);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Changes the stored list under the store's lock and tells the other windows.
    void changeStoredList(const ChatStore::Change &change);
    void setExportNote(const QString &note);
    void showSessions();
    SettingsSection *makeArchivedSection();
    void restyle();

    ChatStore *m_store = nullptr;
    AppEvents *m_events = nullptr;
    SaveFileChooser m_chooseSaveFile;
    QList<ChatSession> m_sessions;
    // What the archived section shows, so a reload that changes nothing keeps its rows.
    QList<ChatSession> m_shownArchived;
    bool m_archivedShown = false;
    QString m_exportNote;

    QVBoxLayout *m_layout = nullptr;
    QLabel *m_counts = nullptr;
    SettingsButton *m_export = nullptr;
    QLabel *m_note = nullptr;
    QGraphicsOpacityEffect *m_noteOpacity = nullptr;
    QTimer *m_noteTimer = nullptr;
    SettingsButton *m_deleteAll = nullptr;
    SettingsSection *m_archived = nullptr;
    QPointer<QMessageBox> m_alert;
};
