#pragma once

#include "chat/chatsession.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <functional>

class AppEvents;
class ChatList;
class QGraphicsOpacityEffect;
class QLabel;
class QShowEvent;
class QTimer;
class QVBoxLayout;
class SettingsButton;
class SettingsSection;
class StatusLabel;

// The "Chats" tab of the settings window: how many chats are stored, a JSON export of all of
// them and an import of such a file, deleting all of them, and the archived chats with open,
// restore and delete.
//
// The tab never talks to the main window: it changes the process's one ChatList, which the
// main window shows too, and asks for the main window through the events hub.
class ChatManagementTab : public QWidget
{
    Q_OBJECT

public:
    // Asks where to save; an empty path means the user cancelled. Arguments: the dialog's
    // parent, title, proposed path and name filter (those of QFileDialog::getSaveFileName).
    using SaveFileChooser = std::function<QString(
        QWidget *parent, const QString &title, const QString &proposedPath, const QString &filter)>;
    // Asks which file to open, the same way.
    using OpenFileChooser = std::function<QString(QWidget *parent, const QString &title,
                                                  const QString &folder, const QString &filter)>;

    ChatManagementTab(ChatList &chats, AppEvents &events, QWidget *parent = nullptr);
    ~ChatManagementTab() override;

    // Replaces the save dialog (tests answer without showing one).
    void setSaveFileChooser(SaveFileChooser chooser);
    // Replaces the open dialog.
    void setOpenFileChooser(OpenFileChooser chooser);

    // The chats the tab shows.
    QList<ChatSession> sessions() const;
    // The archived chats, the most recently updated first.
    QList<ChatSession> archivedSessions() const;
    // "Saved ✓", "Export failed", or empty.
    QString exportNote() const { return m_exportNote; }
    // How the last import went: "Imported 3 chats, skipped 1", or why nothing was imported.
    QString importStatus() const;
    // The open "Delete all chats?" question, if any.
    QMessageBox *deleteAllAlert() const;

    // The text of the counts row, e.g. "3 active · 2 archived".
    static QString countsText(const QList<ChatSession> &sessions);
    // Where the save dialog starts: "velm-chats.json" in the documents folder, or in the
    // home folder when there is none.
    static QString proposedExportPath();

public Q_SLOTS:
    // Reads the stored chats again (the list keeps what is not saved yet).
    void reload();
    void openArchived(const QUuid &id);
    void restore(const QUuid &id);
    void deletePermanently(const QUuid &id);
    // Asks first ("Delete all chats?"); its "Delete All" runs deleteAllChats().
    void confirmDeleteAll();
    void deleteAllChats();
    void exportAllChats();
    // Asks for a file and adds its chats that are not there yet.
    void importChats();

Q_SIGNALS:
    void exportNoteChanged(const QString &note);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setExportNote(const QString &note);
    void showSessions();
    SettingsSection *makeArchivedSection();
    void restyle();

    ChatList &m_chats;
    AppEvents &m_events;
    SaveFileChooser m_chooseSaveFile;
    OpenFileChooser m_chooseOpenFile;
    // What the archived section shows, so a reload that changes nothing keeps its rows.
    QList<ChatSession> m_shownArchived;
    bool m_archivedShown = false;
    QString m_exportNote;

    QVBoxLayout *m_layout = nullptr;
    QLabel *m_counts = nullptr;
    SettingsButton *m_export = nullptr;
    SettingsButton *m_import = nullptr;
    StatusLabel *m_importStatus = nullptr;
    QLabel *m_note = nullptr;
    QGraphicsOpacityEffect *m_noteOpacity = nullptr;
    QTimer *m_noteTimer = nullptr;
    SettingsButton *m_deleteAll = nullptr;
    SettingsSection *m_archived = nullptr;
    QPointer<QMessageBox> m_alert;
};
