#include "settings/chatmanagementtab.h"

#include "base/atomicfile.h"
#include "chat/appevents.h"
#include "chat/chatexport.h"
#include "chat/chatimport.h"
#include "chat/chatlist.h"
#include "settings/archivedchatrow.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/statuslabel.h"
#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int noteLifetimeMs = 2500;

// A dialog object rather than the static getter: the static one does not add the ".json"
// a name typed without it should get, and then cannot ask before replacing that file.
QString chooseSaveFile(QWidget *parent, const QString &title, const QString &proposedPath,
                       const QString &filter)
{
    // On the heap and watched: the window it belongs to may go while it is open (a quit from
    // the tray), and would take a dialog on the stack with it.
    const QPointer<QFileDialog> dialog = new QFileDialog(parent, title);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(filter);
    dialog->setDefaultSuffix(u"json"_s);
    dialog->setDirectory(QFileInfo(proposedPath).absolutePath());
    dialog->selectFile(QFileInfo(proposedPath).fileName());
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return {};
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    return accepted && !files.isEmpty() ? files.constFirst() : QString();
}

// On the heap and watched, as the save dialog is.
QString chooseOpenFile(QWidget *parent, const QString &title, const QString &folder,
                       const QString &filter)
{
    const QPointer<QFileDialog> dialog = new QFileDialog(parent, title, folder, filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return {};
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    return accepted && !files.isEmpty() ? files.constFirst() : QString();
}

QColor noteColor(const QString &note, const QPalette &palette)
{
    if (note == QCoreApplication::translate("ChatManagementTab", "Export failed"))
        return SettingsButton::destructiveColor(AppColors::isDark(palette));
    return AppColors::secondaryText(palette);
}

} // namespace

ChatManagementTab::ChatManagementTab(ChatList &chats, AppEvents &events, QWidget *parent)
    : QWidget(parent)
    , m_chats(chats)
    , m_events(events)
    , m_chooseSaveFile(chooseSaveFile)
    , m_chooseOpenFile(chooseOpenFile)
{
    m_layout = new QVBoxLayout(this);
    // The settings window gives every tab its margins.
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(18);

    auto *manage = new SettingsSection(u"tray.full"_s, tr("Manage"), this);
    m_counts = new QLabel(this);
    m_counts->setObjectName(u"storedChatsCount"_s);
    m_counts->setTextFormat(Qt::PlainText);
    m_counts->setFont(TypeStyles::font(TypeStyle::Label));
    manage->addRow(tr("Stored chats"), m_counts);

    auto *backup = new QWidget(this);
    auto *backupColumn = new QVBoxLayout(backup);
    backupColumn->setContentsMargins(0, 0, 0, 0);
    backupColumn->setSpacing(6);
    auto *backupLayout = new QHBoxLayout;
    backupLayout->setContentsMargins(0, 0, 0, 0);
    backupLayout->setSpacing(10);
    m_note = new QLabel(backup);
    m_note->setObjectName(u"exportNote"_s);
    m_note->setTextFormat(Qt::PlainText);
    m_note->setFont(TypeStyles::font(TypeStyle::Caption));
    m_noteOpacity = new QGraphicsOpacityEffect(m_note);
    m_noteOpacity->setOpacity(0);
    m_note->setGraphicsEffect(m_noteOpacity);
    m_note->hide();
    m_export = new SettingsButton(tr("Export All as JSON…"), backup);
    m_import = new SettingsButton(tr("Import…"), backup);
    m_import->setObjectName(u"importChatsButton"_s);
    m_import->setAccessibleName(tr("Import chats"));
    m_import->setAccessibleDescription(
        tr("Adds the chats of an exported JSON file that are not here yet."));
    m_importStatus = new StatusLabel(backup);
    m_importStatus->setObjectName(u"importStatus"_s);
    // A long reason is cut short rather than widening the window; the whole of it is the
    // label's accessible name.
    m_importStatus->setMinimumWidth(1);
    // The buttons keep to the right edge however wide the status under them is.
    backupLayout->addStretch();
    backupLayout->addWidget(m_note);
    backupLayout->addWidget(m_export);
    backupLayout->addWidget(m_import);
    backupColumn->addLayout(backupLayout);
    backupColumn->addWidget(m_importStatus, 0, Qt::AlignRight);
    manage->addRow(tr("Backup"), backup);

    m_deleteAll = new SettingsButton(tr("Delete All Chats…"), this);
    m_deleteAll->setDestructive(true);
    manage->addRow(tr("Danger zone"), m_deleteAll);
    manage->setFootnote(
        tr("Export writes every chat (including archived) to a JSON file you choose. Import adds "
           "the chats of such a file that are not here yet."));
    m_layout->addWidget(manage);

    m_archived = makeArchivedSection();
    m_layout->addWidget(m_archived);
    m_layout->addStretch();

    m_noteTimer = new QTimer(this);
    m_noteTimer->setSingleShot(true);
    m_noteTimer->setInterval(noteLifetimeMs);
    connect(m_noteTimer, &QTimer::timeout, this, [this] { setExportNote(QString()); });

    connect(m_export, &QPushButton::clicked, this, &ChatManagementTab::exportAllChats);
    connect(m_import, &QPushButton::clicked, this, &ChatManagementTab::importChats);
    connect(m_deleteAll, &QPushButton::clicked, this, &ChatManagementTab::confirmDeleteAll);
    connect(&m_chats, &ChatList::sessionsChanged, this, &ChatManagementTab::showSessions);
    restyle();
}

ChatManagementTab::~ChatManagementTab() = default;

void ChatManagementTab::setSaveFileChooser(SaveFileChooser chooser)
{
    m_chooseSaveFile = std::move(chooser);
}

void ChatManagementTab::setOpenFileChooser(OpenFileChooser chooser)
{
    m_chooseOpenFile = std::move(chooser);
}

QString ChatManagementTab::importStatus() const
{
    return m_importStatus->text();
}

QList<ChatSession> ChatManagementTab::sessions() const
{
    return m_chats.sessions();
}

QList<ChatSession> ChatManagementTab::archivedSessions() const
{
    QList<ChatSession> archived;
    for (const ChatSession &session : m_chats.sessions()) {
        if (session.isArchived)
            archived.append(session);
    }
    // Stable, so chats updated at the same moment keep their stored order.
    std::stable_sort(
        archived.begin(), archived.end(),
        [](const ChatSession &a, const ChatSession &b) { return a.updatedAt > b.updatedAt; });
    return archived;
}

QMessageBox *ChatManagementTab::deleteAllAlert() const
{
    return m_alert;
}

QString ChatManagementTab::countsText(const QList<ChatSession> &sessions)
{
    const auto archived = std::count_if(sessions.cbegin(), sessions.cend(),
                                        [](const ChatSession &s) { return s.isArchived; });
    const auto active = sessions.size() - archived;
    //: The numbers of chats in the list and in the archive
    return tr("%1 active · %2 archived").arg(active).arg(archived);
}

QString ChatManagementTab::proposedExportPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(u"velm-chats.json"_s);
}

void ChatManagementTab::reload()
{
    m_chats.reload();
    showSessions();
}

void ChatManagementTab::openArchived(const QUuid &id)
{
    // The chat stays archived: the main window only opens it, and a message sent in it
    // restores it there.
    m_events.postOpenChatSession(id);
    m_events.postShowMainWindow();
}

void ChatManagementTab::restore(const QUuid &id)
{
    // updatedAt stays: restoring puts the chat back where it was in time, not on top.
    m_chats.setArchived(id, false);
}

void ChatManagementTab::deletePermanently(const QUuid &id)
{
    m_chats.remove(id);
}

void ChatManagementTab::confirmDeleteAll()
{
    if (m_alert) {
        m_alert->raise();
        m_alert->activateWindow();
        return;
    }
    m_alert = new QMessageBox(this);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setIcon(QMessageBox::Warning);
    m_alert->setWindowTitle(tr("Delete all chats?"));
    m_alert->setText(tr("Delete all chats?"));
    m_alert->setInformativeText(
        tr("This permanently removes every chat, including archived ones. This cannot be undone."));
    m_alert->setTextFormat(Qt::PlainText);
    QPushButton *cancel = m_alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton *deleteAll = m_alert->addButton(tr("Delete All"), QMessageBox::DestructiveRole);
    m_alert->setDefaultButton(cancel);
    m_alert->setEscapeButton(cancel);
    QPalette destructive = deleteAll->palette();
    destructive.setColor(QPalette::ButtonText,
                         SettingsButton::destructiveColor(AppColors::isDark(this)));
    deleteAll->setPalette(destructive);
    connect(deleteAll, &QPushButton::clicked, this, &ChatManagementTab::deleteAllChats);
    m_alert->open();
}

void ChatManagementTab::deleteAllChats()
{
    m_chats.removeAll();
}

void ChatManagementTab::exportAllChats()
{
    // What is on disk now rather than what this process holds.
    const std::optional<QList<ChatSession>> stored = m_chats.readStored();
    if (!stored) {
        setExportNote(tr("Export failed"));
        m_noteTimer->start();
        return;
    }
    const QByteArray bytes = ChatExport::encode(*stored);
    const QPointer<ChatManagementTab> self(this);
    const QString path
        = m_chooseSaveFile(window(), tr("Export Chats"), proposedExportPath(), tr("JSON (*.json)"));
    // The dialog runs its own event loop; the settings window may have gone meanwhile.
    if (!self || path.isEmpty())
        return;
    QString why;
    const bool ok = AtomicFile::write(path, bytes, &why);
    if (!ok) {
        qWarning("velm: could not export the chats to %s: %s",
                 qPrintable(QDir::toNativeSeparators(path)), qPrintable(why));
    }
    setExportNote(ok ? tr("Saved ✓") : tr("Export failed"));
    // Restarted, so a second export's note is not cut short by the first one's clock.
    m_noteTimer->start();
}

void ChatManagementTab::importChats()
{
    const QPointer<ChatManagementTab> self(this);
    const QString path = m_chooseOpenFile(window(), tr("Import Chats"),
                                          QFileInfo(proposedExportPath()).absolutePath(),
                                          tr("JSON (*.json);;All files (*)"));
    if (!self || path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        //: %1 says why
        m_importStatus->setStatus(tr("Import failed: %1").arg(file.errorString()), false);
        return;
    }
    const Result<QList<ChatSession>, QString> incoming = ChatImport::decode(file.readAll());
    if (!incoming) {
        m_importStatus->setStatus(tr("Import failed: %1").arg(incoming.error()), false);
        return;
    }
    const std::optional<ChatImport::Plan> plan = m_chats.importSessions(incoming.value());
    if (!plan) {
        m_importStatus->setStatus(tr("Import failed: %1").arg(m_chats.storeNotice().reason), false);
        return;
    }
    m_importStatus->setStatus(ChatImport::report(*plan), true);
}

void ChatManagementTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    reload();
}

void ChatManagementTab::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

void ChatManagementTab::setExportNote(const QString &note)
{
    if (note == m_exportNote)
        return;
    m_exportNote = note;
    if (!note.isEmpty()) {
        m_note->setText(note);
        restyle();
        m_note->show();
        Animations::animate(m_noteOpacity, "opacity", 1.0, Animations::quickEase());
    } else if (auto *fade
               = Animations::animate(m_noteOpacity, "opacity", 0.0, Animations::quickEase())) {
        // The text stays while it fades; a new note arriving meanwhile keeps it shown.
        const QPointer<QLabel> label(m_note);
        connect(fade, &QAbstractAnimation::finished, this, [this, label] {
            if (label && m_exportNote.isEmpty())
                label->hide();
        });
    } else {
        m_note->hide();
    }
    Q_EMIT exportNoteChanged(note);
}

void ChatManagementTab::showSessions()
{
    m_counts->setText(countsText(m_chats.sessions()));
    const QList<ChatSession> archived = archivedSessions();
    if (m_archivedShown && archived == m_shownArchived)
        return;
    // SettingsSection only grows, so a changed list gets a new section in the old one's place.
    const int index = m_layout->indexOf(m_archived);
    m_shownArchived = archived;
    m_archivedShown = true;
    SettingsSection *section = makeArchivedSection();
    m_layout->insertWidget(index, section);
    // A layout shows a new child only on the next turn of the event loop; the list should
    // be right as soon as the reload returns.
    section->show();
    // Later, not now: the click that led here may come from a button inside it.
    m_archived->setObjectName(QString());
    m_archived->hide();
    m_archived->deleteLater();
    m_archived = section;
}

SettingsSection *ChatManagementTab::makeArchivedSection()
{
    auto *section = new SettingsSection(u"archivebox"_s, tr("Archived"), this);
    section->setObjectName(u"archivedSection"_s);
    if (m_shownArchived.isEmpty()) {
        auto *empty = new QLabel(tr("No archived chats."), section);
        empty->setObjectName(u"noArchivedChats"_s);
        empty->setTextFormat(Qt::PlainText);
        empty->setFont(TypeStyles::font(TypeStyle::Label));
        QPalette secondary = empty->palette();
        secondary.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
        empty->setPalette(secondary);
        section->addWidget(empty);
    }
    for (const ChatSession &session : std::as_const(m_shownArchived)) {
        auto *row = new ArchivedChatRow(session, section);
        connect(row, &ArchivedChatRow::openRequested, this, &ChatManagementTab::openArchived);
        connect(row, &ArchivedChatRow::restoreRequested, this, &ChatManagementTab::restore);
        connect(row, &ArchivedChatRow::deleteRequested, this,
                &ChatManagementTab::deletePermanently);
        section->addWidget(row);
    }
    section->setFootnote(
        tr("Open to read without restoring. Send a message to restore automatically."));
    return section;
}

void ChatManagementTab::restyle()
{
    QPalette secondary = m_counts->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_counts->setPalette(secondary);
    QPalette note = m_note->palette();
    note.setColor(QPalette::WindowText, noteColor(m_exportNote, palette()));
    m_note->setPalette(note);
    for (QLabel *empty : findChildren<QLabel *>(u"noArchivedChats"_s))
        empty->setPalette(secondary);
}
