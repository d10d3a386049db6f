#include "chat/appevents.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString someId = u"6F9619FF-8B86-D011-B42D-00C04FC964FF"_s;

// Writes down every signal the hub emits, with its arguments, so that a test can see both
// which notification arrived and that no other one did.
class Recorder
{
public:
    explicit Recorder(AppEvents *events)
    {
        const auto plain = [this](const char *name) {
            return [this, name] { m_log.append(QString::fromLatin1(name)); };
        };
        QObject::connect(events, &AppEvents::askDialogDidOpen, plain("askDialogDidOpen"));
        QObject::connect(events, &AppEvents::openAskDialog, plain("openAskDialog"));
        QObject::connect(events, &AppEvents::showMainWindow, plain("showMainWindow"));
        QObject::connect(events, &AppEvents::hideToMenuBar, plain("hideToMenuBar"));
        QObject::connect(events, &AppEvents::quitAsk, plain("quitAsk"));
        QObject::connect(events, &AppEvents::chatsDidChangeExternally,
                         plain("chatsDidChangeExternally"));
        QObject::connect(events, &AppEvents::importDialogChat,
                         [this](const QString &query, const QString &answer) {
                             m_log.append(u"importDialogChat(%1|%2)"_s.arg(query, answer));
                         });
        QObject::connect(events, &AppEvents::openChatSession, [this](const QUuid &id) {
            m_log.append(u"openChatSession(%1)"_s.arg(id.toString(QUuid::WithoutBraces).toUpper()));
        });
    }

    QStringList log() const { return m_log; }

private:
    QStringList m_log;
};

} // namespace

class TestAppEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void post_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<QStringList>("delivered");

        const QVariantMap none;
        for (const char *name : {"askDialogDidOpen", "openAskDialog", "showMainWindow",
                                 "hideToMenuBar", "quitAsk", "chatsDidChangeExternally"}) {
            const QString n = QString::fromLatin1(name);
            QTest::addRow("%s", name) << n << none << QStringList{n};
        }
        QTest::newRow("stray user info")
            << u"quitAsk"_s << QVariantMap{{u"id"_s, 7}} << QStringList{u"quitAsk"_s};

        const QString import = u"importDialogChat"_s;
        QTest::newRow("import: query and answer")
            << import << QVariantMap{{u"query"_s, u"Why?"_s}, {u"answer"_s, u"Because."_s}}
            << QStringList{u"importDialogChat(Why?|Because.)"_s};
        QTest::newRow("import: texts kept untrimmed")
            << import << QVariantMap{{u"query"_s, u" Why? \n"_s}, {u"answer"_s, u"  "_s}}
            << QStringList{u"importDialogChat( Why? \n|  )"_s};
        QTest::newRow("import: answer missing") << import << QVariantMap{{u"query"_s, u"Why?"_s}}
                                                << QStringList{u"importDialogChat(Why?|)"_s};
        QTest::newRow("import: answer as bytes")
            << import << QVariantMap{{u"query"_s, u"Why?"_s}, {u"answer"_s, QByteArray("Because.")}}
            << QStringList{u"importDialogChat(Why?|)"_s};
        QTest::newRow("import: query missing")
            << import << QVariantMap{{u"answer"_s, u"Because."_s}} << QStringList{};
        QTest::newRow("import: query as bytes")
            << import << QVariantMap{{u"query"_s, QByteArray("Why?")}} << QStringList{};
        QTest::newRow("import: query a list")
            << import << QVariantMap{{u"query"_s, QStringList{u"Why?"_s}}} << QStringList{};
        QTest::newRow("import: blank query")
            << import << QVariantMap{{u"query"_s, u" \n\t"_s}, {u"answer"_s, u"Because."_s}}
            << QStringList{};
        QTest::newRow("import: key in other case")
            << import << QVariantMap{{u"Query"_s, u"Why?"_s}} << QStringList{};

        const QString open = u"openChatSession"_s;
        const QString opened = u"openChatSession(%1)"_s.arg(someId);
        QTest::newRow("open: uuid")
            << open << QVariantMap{{u"id"_s, QUuid::fromString(someId)}} << QStringList{opened};
        QTest::newRow("open: upper-case text")
            << open << QVariantMap{{u"id"_s, someId}} << QStringList{opened};
        QTest::newRow("open: braced text")
            << open << QVariantMap{{u"id"_s, u"{%1}"_s.arg(someId)}} << QStringList{};
        QTest::newRow("open: text with trailing space")
            << open << QVariantMap{{u"id"_s, someId + u' '}} << QStringList{};
        QTest::newRow("open: hex without dashes")
            << open << QVariantMap{{u"id"_s, QString(someId).remove(u'-') + u"0000"_s}}
            << QStringList{};
        QTest::newRow("open: uuid as bytes")
            << open << QVariantMap{{u"id"_s, someId.toLatin1()}} << QStringList{};
        QTest::newRow("open: nil uuid") << open << QVariantMap{{u"id"_s, QUuid()}} << QStringList{};
        QTest::newRow("open: id missing") << open << none << QStringList{};

        QTest::newRow("unknown name") << u"openSettings"_s << none << QStringList{};
        QTest::newRow("name in other case") << u"QuitAsk"_s << none << QStringList{};
    }

    void post()
    {
        QFETCH(QString, name);
        QFETCH(QVariantMap, userInfo);
        QFETCH(QStringList, delivered);

        AppEvents events;
        Recorder recorder(&events);
        QCOMPARE(events.post(name, userInfo), !delivered.isEmpty());
        QCOMPARE(recorder.log(), delivered);
    }
};

VELM_TEST_MAIN(TestAppEvents)
#include "tst_appevents.moc"
