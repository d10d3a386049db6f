#include "../chat/controllerfixture.h"

#include "chat/chatexport.h"
#include "settings/archivedchatrow.h"
#include "settings/chatmanagementtab.h"
#include "settings/settingssection.h"
#include "support/testregistry.h"
#include "widgets/appfonts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(int day, int hour)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, 15, 30, 250), Qt::UTC);
}

ChatSession chat(const QString &question, const QDateTime &updatedAt, bool archived)
{
    ChatSession session = ChatSession::create(updatedAt);
    session.updatedAt = updatedAt;
    session.isArchived = archived;
    session.messages = {ChatMessage(QUuid::createUuid(), ChatMessage::Role::User, question)};
    return session;
}

// The Chats tab on the controller fixture's list, with a save dialog that answers what the
// test says.
struct Fixture : ControllerFixture
{
    std::unique_ptr<ChatManagementTab> tab;
    // Where exports go; what the tab asked the save dialog, and what it answers.
    QTemporaryDir dir;
    QStringList asked;
    QString answer;
    // The file the open dialog answers.
    QString opened;

    explicit Fixture(const QList<ChatSession> &sessions = {})
    {
        if (!sessions.isEmpty())
            store(sessions);
        tab = std::make_unique<ChatManagementTab>(chatList(), events());
        tab->setSaveFileChooser([this](QWidget *, const QString &title, const QString &proposed,
                                       const QString &filter) {
            asked = {title, proposed, filter};
            return answer;
        });
        tab->setOpenFileChooser([this](QWidget *, const QString &, const QString &,
                                       const QString &) { return opened; });
        tab->resize(540, 700);
        tab->show();
    }

    QString counts() const { return tab->findChild<QLabel *>(u"storedChatsCount"_s)->text(); }

    SettingsSection *archivedSection() const
    {
        return tab->findChild<SettingsSection *>(u"archivedSection"_s);
    }

    // The archived rows on screen, top to bottom.
    QList<ArchivedChatRow *> rows() const
    {
        QList<ArchivedChatRow *> shown = archivedSection()->findChildren<ArchivedChatRow *>();
        std::sort(shown.begin(), shown.end(), [](QWidget *a, QWidget *b) {
            return a->mapTo(a->window(), QPoint()).y() < b->mapTo(b->window(), QPoint()).y();
        });
        return shown;
    }

    QStringList rowTitles() const
    {
        QStringList titles;
        for (const ArchivedChatRow *row : rows())
            titles.append(row->session().title());
        return titles;
    }

    bool emptyTextShown() const
    {
        const auto *label = archivedSection()->findChild<QLabel *>(u"noArchivedChats"_s);
        return label && label->isVisible() && label->text() == u"No archived chats.";
    }
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QAbstractButton *buttonIn(QWidget *parent, const QString &text)
{
    for (QAbstractButton *button : parent->findChildren<QAbstractButton *>()) {
        if (button->text() == text || button->toolTip() == text)
            return button;
    }
    return nullptr;
}

} // namespace

class TestChatManagement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("VELM_NO_ANIMATIONS", "1");
        registerAppFonts();
    }

    void counts_data()
    {
        QTest::addColumn<int>("active");
        QTest::addColumn<int>("archived");
        QTest::addColumn<QString>("text");

        QTest::newRow("none") << 0 << 0 << u"0 active · 0 archived"_s;
        QTest::newRow("three and two") << 3 << 2 << u"3 active · 2 archived"_s;
    }

    void counts()
    {
        QFETCH(int, active);
        QFETCH(int, archived);
        QFETCH(QString, text);

        QList<ChatSession> sessions;
        // Interleaved, so counting cannot rely on the stored order.
        for (int i = 0; i < qMax(active, archived); ++i) {
            if (i < archived)
                sessions.append(chat(u"archived %1"_s.arg(i), utc(1 + i, 9), true));
            if (i < active)
                sessions.append(chat(u"active %1"_s.arg(i), utc(10 + i, 9), false));
        }
        Fixture f(sessions);
        QCOMPARE(f.counts(), text);
        QCOMPARE(f.rows().size(), archived);
        QCOMPARE(f.emptyTextShown(), archived == 0);
    }

    void archivedNewestFirst()
    {
        // Stored order: older archived first, with active ones between and a newer active.
        Fixture f({chat(u"older archived"_s, utc(2, 8), true), chat(u"a1"_s, utc(20, 9), false),
                   chat(u"newer archived"_s, utc(5, 23), true), chat(u"a2"_s, utc(1, 9), false),
                   chat(u"a3"_s, utc(3, 9), false)});
        QCOMPARE(f.rowTitles(), QStringList({u"newer archived"_s, u"older archived"_s}));
    }

    void rowShowsTitleDateAndActions()
    {
        const ChatSession session = chat(u"What is <b>bold</b>?"_s, utc(4, 12), true);
        Fixture f({session});
        ArchivedChatRow *row = f.rows().value(0);
        QVERIFY(row);
        const auto texts = [row] {
            QStringList all;
            for (const QLabel *label : row->findChildren<QLabel *>()) {
                // Titles are the user's text, never markup.
                if (label->textFormat() != Qt::PlainText)
                    all.append(u"(rich text)"_s);
                all.append(label->text());
            }
            return all;
        };
        // The title is elided to the width the layout gives it, once it has given one.
        QTRY_VERIFY(texts().contains(u"What is <b>bold</b>?"_s));
        QVERIFY(!texts().contains(u"(rich text)"_s));
        QVERIFY(texts().contains(ArchivedChatRow::dateText(session.updatedAt)));
        QVERIFY(buttonIn(row, u"Open"_s));
        QVERIFY(buttonIn(row, u"Restore"_s));
        QAbstractButton *trash = buttonIn(row, u"Delete permanently"_s);
        QVERIFY(trash);
        QVERIFY(!trash->icon().isNull());
    }

    void dateText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");

        // Month abbreviated and no weekday, in each locale's own order, then the short time.
        QTest::newRow("American English") << u"en_US"_s << u"Mar 4, 2026, 9:05 PM"_s;
        QTest::newRow("British English") << u"en_GB"_s << u"4 Mar 2026, 21:05"_s;
        QTest::newRow("C, whose short time has seconds") << u"C"_s << u"4 Mar 2026, 21:05"_s;
    }

    void dateText()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        const QDateTime local(QDate(2026, 3, 4), QTime(21, 5, 59), Qt::LocalTime);
        QString shown = ArchivedChatRow::dateText(local, QLocale(locale));
        // Newer locale data puts a narrow no-break space before "PM".
        shown.replace(QChar(0x202f), u' ');
        QCOMPARE(shown, text);
        QVERIFY(ArchivedChatRow::dateText(QDateTime()).isEmpty());
    }

    void restoreKeepsUpdatedAt()
    {
        const ChatSession archived = chat(u"restore me"_s, utc(7, 7), true);
        const ChatSession other = chat(u"stays archived"_s, utc(6, 7), true);
        Fixture f({chat(u"active"_s, utc(9, 9), false), archived, other});
        QSignalSpy changed(&f.chatList(), &ChatList::sessionsChanged);

        buttonIn(f.rows().value(0), u"Restore"_s)->click();

        QCOMPARE(changed.size(), 1);
        const ChatSession restored = *f.storedSession(archived.id);
        QVERIFY(!restored.isArchived);
        QCOMPARE(restored.updatedAt, archived.updatedAt);
        QCOMPARE(restored.messages, archived.messages);
        QCOMPARE(f.rowTitles(), QStringList{u"stays archived"_s});
        QCOMPARE(f.counts(), u"2 active · 1 archived"_s);
    }

    void deletePermanently()
    {
        const ChatSession doomed = chat(u"delete me"_s, utc(8, 7), true);
        const ChatSession kept = chat(u"keep me"_s, utc(2, 7), true);
        Fixture f({kept, doomed, chat(u"active"_s, utc(1, 1), false)});
        QSignalSpy changed(&f.chatList(), &ChatList::sessionsChanged);

        buttonIn(f.rows().value(0), u"Delete permanently"_s)->click();

        QCOMPARE(changed.size(), 1);
        QCOMPARE(f.stored().size(), 2);
        QVERIFY(!f.storedSession(doomed.id));
        QCOMPARE(f.rowTitles(), QStringList{u"keep me"_s});
        QCOMPARE(f.counts(), u"1 active · 1 archived"_s);
    }

    void openPostsOpenThenShow()
    {
        const ChatSession archived = chat(u"read me"_s, utc(8, 7), true);
        Fixture f({archived});
        QStringList order;
        QUuid opened;
        connect(&f.events(), &AppEvents::openChatSession, this, [&](const QUuid &id) {
            order.append(u"open"_s);
            opened = id;
        });
        connect(&f.events(), &AppEvents::showMainWindow, this, [&] { order.append(u"show"_s); });

        buttonIn(f.rows().value(0), u"Open"_s)->click();

        QCOMPARE(order, QStringList({u"open"_s, u"show"_s}));
        QCOMPARE(opened, archived.id);
        // Opening reads the chat; it stays archived until a message is sent in it.
        QVERIFY(f.storedSession(archived.id)->isArchived);
        QCOMPARE(f.rows().size(), 1);
    }

    void deleteAllAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");

        QTest::newRow("Cancel") << u"Cancel"_s << false;
        QTest::newRow("Delete All") << u"Delete All"_s << true;
    }

    void deleteAllAsksFirst()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);

        Fixture f({chat(u"one"_s, utc(1, 1), false), chat(u"two"_s, utc(2, 1), true)});
        QCOMPARE(f.stored().size(), 2);
        QSignalSpy changed(&f.chatList(), &ChatList::sessionsChanged);

        buttonIn(f.tab.get(), u"Delete All Chats…"_s)->click();
        QMessageBox *alert = f.tab->deleteAllAlert();
        QVERIFY(alert);
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->buttonRole(alert->buttons().value(0)) == QMessageBox::RejectRole
                     || alert->buttonRole(alert->buttons().value(1)) == QMessageBox::RejectRole,
                 true);
        QAbstractButton *choice = buttonIn(alert, answer);
        QVERIFY(choice);
        choice->click();

        QCOMPARE(f.stored().size(), deleted ? 0 : 2);
        QCOMPARE(changed.size(), deleted ? 1 : 0);
        QCOMPARE(f.counts(), deleted ? u"0 active · 0 archived"_s : u"1 active · 1 archived"_s);
        QCOMPARE(f.emptyTextShown(), deleted);
        QTRY_VERIFY(!f.tab->deleteAllAlert());
    }

    void exportWritesEveryChat_data()
    {
        QTest::addColumn<QList<ChatSession>>("sessions");

        QTest::newRow("no chats") << QList<ChatSession>{};
        ChatSession withSources = chat(u"Where is a/b?"_s, utc(3, 4), false);
        withSources.messages.append(ChatMessage(
            QUuid::createUuid(), ChatMessage::Role::Assistant, u"Here."_s,
            QList<SearchResult>{{QUuid::createUuid(), u"Example"_s,
                                 u"https://example.org/path/to/page?q=a/b"_s, u"s"_s}}));
        withSources.customTitle = u"Über / slashes"_s;
        QTest::newRow("active and archived")
            << QList<ChatSession>{withSources, chat(u"archived"_s, utc(9, 23), true)};
    }

    void exportWritesEveryChat()
    {
        QFETCH(QList<ChatSession>, sessions);

        Fixture f(sessions);
        f.answer = f.dir.filePath(u"chosen.json"_s);
        QFile::remove(f.answer);
        buttonIn(f.tab.get(), u"Export All as JSON…"_s)->click();

        QCOMPARE(f.asked.value(0), u"Export Chats"_s);
        QVERIFY(f.asked.value(1).endsWith(u"/velm-chats.json"));
        QCOMPARE(f.tab->exportNote(), u"Saved ✓"_s);

        QFile file(f.answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (sessions.isEmpty()) {
            QCOMPARE(bytes.trimmed(), QByteArray("[]"));
            return;
        }
        // The file is the export format itself (its details are tested with the encoder).
        QCOMPARE(bytes, ChatExport::encode(f.stored()));
        QCOMPARE(QJsonDocument::fromJson(bytes).array().size(), sessions.size());
    }

    void exportReplacesAnExistingFile()
    {
        Fixture f({chat(u"one"_s, utc(1, 1), false)});
        f.answer = f.dir.filePath(u"old.json"_s);
        QFile old(f.answer);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(100000, 'x'));
        old.close();

        f.tab->exportAllChats();

        QCOMPARE(f.tab->exportNote(), u"Saved ✓"_s);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), ChatExport::encode(f.stored()));
    }

    void saveDialogAddsTheJsonSuffix()
    {
        Fixture f({chat(u"one"_s, utc(1, 1), false)});
        ChatManagementTab tab(f.chatList(), f.events()); // with the real dialog
        const QString typed = f.dir.filePath(u"my-backup"_s);
        QString title;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QFileDialog *>(widget);
                    dialog && dialog->isVisible()) {
                    title = dialog->windowTitle();
                    dialog->selectFile(typed);
                    static_cast<QDialog *>(dialog)->accept(); // as the Save button does
                }
            }
        });

        tab.exportAllChats();

        QCOMPARE(title, u"Export Chats"_s);
        QCOMPARE(tab.exportNote(), u"Saved ✓"_s);
        QVERIFY(!QFile::exists(typed));
        QCOMPARE(readAll(typed + u".json"_s), ChatExport::encode(f.stored()));
    }

    void cancelledExportShowsNothing()
    {
        Fixture f({chat(u"one"_s, utc(1, 1), false)});
        QSignalSpy notes(f.tab.get(), &ChatManagementTab::exportNoteChanged);
        f.answer.clear();

        f.tab->exportAllChats();

        QCOMPARE(f.asked.value(0), u"Export Chats"_s);
        QCOMPARE(f.tab->exportNote(), QString());
        QCOMPARE(notes.size(), 0);
        QVERIFY(!f.tab->findChild<QLabel *>(u"exportNote"_s)->isVisible());
    }

    void failedExport_data()
    {
        QTest::addColumn<QString>("target");

        QTest::newRow("missing folder") << u"missing/folder/chats.json"_s;
        QTest::newRow("a folder's name") << u"folder"_s;
    }

    void failedExport()
    {
        QFETCH(QString, target);

        Fixture f({chat(u"one"_s, utc(1, 1), false)});
        QVERIFY(QDir(f.dir.path()).mkpath(u"folder"_s));
        f.answer = f.dir.filePath(target);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not export"_s));
        f.tab->exportAllChats();

        QCOMPARE(f.tab->exportNote(), u"Export failed"_s);
        QVERIFY(!QFileInfo(f.answer).isFile());
        // The note goes by itself after a while.
        QTRY_COMPARE_WITH_TIMEOUT(f.tab->exportNote(), QString(), 10000);
    }

    void importAddsWhatIsNotThere_data()
    {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<QByteArray>("file"); // none: an export of the stored chat and a new one
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("chats");

        QTest::newRow("export") << true << QByteArray() << u"Imported 1 chat, skipped 1"_s << 2;
        QTest::newRow("damaged") << true << QByteArray("[\n  {\n    \"id\" : ,")
                                 << u"Import failed: line 3, column 12: illegal value"_s << 1;
        QTest::newRow("cancelled") << false << QByteArray() << QString() << 1;
    }

    void importAddsWhatIsNotThere()
    {
        QFETCH(bool, chosen);
        QFETCH(QByteArray, file);
        QFETCH(QString, status);
        QFETCH(int, chats);

        const ChatSession stored = chat(u"stored"_s, utc(1, 1), false);
        Fixture f({stored});
        const QString path = f.dir.filePath(u"chats.json"_s);
        QFile written(path);
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(
            !file.isEmpty() ? file : ChatExport::encode({stored, chat(u"new"_s, utc(2, 2), true)}));
        written.close();
        f.opened = chosen ? path : QString();
        QPushButton *button = f.tab->findChild<QPushButton *>(u"importChatsButton"_s);
        QVERIFY(button);
        QCOMPARE(button->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        QVERIFY(!button->accessibleName().isEmpty());

        button->click();

        QCOMPARE(f.tab->importStatus(), status);
        QCOMPARE(f.stored().size(), chats);
        QCOMPARE(f.counts(), u"1 active · %1 archived"_s.arg(chats - 1));
        QCOMPARE(f.stored().constFirst(), stored);
    }

    void reloadsOnAnyonesNotification()
    {
        Fixture f({chat(u"active"_s, utc(1, 1), false)});
        QCOMPARE(f.counts(), u"1 active · 0 archived"_s);

        // Another process changes the store, and the file watcher says so.
        QList<ChatSession> sessions = f.stored();
        sessions.append(chat(u"archived elsewhere"_s, utc(2, 2), true));
        f.store(sessions);
        QCOMPARE(f.counts(), u"1 active · 0 archived"_s);
        f.events().postChatsDidChangeExternally();

        QCOMPARE(f.counts(), u"1 active · 1 archived"_s);
        QCOMPARE(f.rowTitles(), QStringList{u"archived elsewhere"_s});
        QVERIFY(!f.emptyTextShown());
    }

    void reloadsWhenShown()
    {
        Fixture f;
        QVERIFY(f.emptyTextShown());
        f.tab->hide();
        f.store({chat(u"later"_s, utc(3, 3), true)});

        f.tab->show();

        QCOMPARE(f.counts(), u"0 active · 1 archived"_s);
        QCOMPARE(f.rowTitles(), QStringList{u"later"_s});
    }
};

VELM_TEST_MAIN(TestChatManagement)

#include "tst_chatmanagement.moc"
