#include "chat/promptsuggestion.h"
#include "chat/settingskeys.h"
#include "chat/systemprompt.h"
#include "support/testregistry.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString defaultLine = u"You are a concise, helpful local assistant."_s;

QString nameLine(const QString &name)
{
    return u"The user's name is "_s + name + u". Address them by name when appropriate."_s;
}

QString instructionOf(const QString &id)
{
    for (const PromptSuggestion &s : PromptSuggestion::all()) {
        if (s.id == id)
            return s.instruction;
    }
    return {};
}

} // namespace

class TestSystemPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void build_data()
    {
        QTest::addColumn<QString>("instructions");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("ids");
        QTest::addColumn<QStringList>("lines");

        const QString none;
        // The styles' own sentences come from their table.
        const QString emojiLine = instructionOf(u"no_emoji"_s);
        const QString bulletLine = instructionOf(u"no_bullets"_s);
        QTest::newRow("nothing set") << none << none << none << QStringList{defaultLine};
        QTest::newRow("blank instructions")
            << u"  \n\t \r\n"_s << none << none << QStringList{defaultLine};
        QTest::newRow("unicode blanks")
            << u"\u00A0\u2028\u3000"_s << none << none << QStringList{defaultLine};
        QTest::newRow("instructions trimmed, inner lines kept")
            << u"\n  Answer in German.\n\nUse SI units.  \n"_s << none << none
            << QStringList{u"Answer in German.\n\nUse SI units."_s};
        QTest::newRow("name trimmed") << none << u" \tAda Lovelace \n"_s << none
                                      << QStringList{defaultLine, nameLine(u"Ada Lovelace"_s)};
        QTest::newRow("blank name") << none << u" \n "_s << none << QStringList{defaultLine};
        QTest::newRow("two styles")
            << none << u"Ada"_s << u"no_bullets,no_emoji"_s
            << QStringList{defaultLine, nameLine(u"Ada"_s), emojiLine, bulletLine};
        QTest::newRow("empty pieces and unknown id")
            << none << none << u",,no_emoji,,bogus,"_s << QStringList{defaultLine, emojiLine};
        QTest::newRow("ids are case sensitive")
            << none << none << u"NO_EMOJI,No_Bullets"_s << QStringList{defaultLine};
        QTest::newRow("all styles, reversed")
            << u"Be kind."_s << u"Bo"_s
            << u"no_boldtext,no_bullets,plain_lang,be_concise,no_emoji,no_em_dash"_s
            << QStringList{u"Be kind."_s,
                           nameLine(u"Bo"_s),
                           instructionOf(u"no_em_dash"_s),
                           emojiLine,
                           instructionOf(u"be_concise"_s),
                           instructionOf(u"plain_lang"_s),
                           bulletLine,
                           instructionOf(u"no_boldtext"_s)};
    }

    void build()
    {
        QFETCH(QString, instructions);
        QFETCH(QString, name);
        QFETCH(QString, ids);
        QFETCH(QStringList, lines);
        QCOMPARE(buildSystemPrompt(instructions, name, ids), lines.join(u'\n'));
    }

    void searchMessages()
    {
        const QString results = u"[1] Title\nURL: https://example.org\n\n"_s;
        const std::optional<QString> main = searchContextMessage(results);
        const std::optional<QString> quick = quickAskSearchContext(results);
        QVERIFY(main && main->endsWith(results));
        QVERIFY(quick && quick->endsWith(results));
        // The bar's lead leaves out what the window's asks for an answer without enough
        // information.
        QVERIFY(main->size() > quick->size());
        // No results, no message.
        QVERIFY(!searchContextMessage(QString()));
        QVERIFY(!quickAskSearchContext(QString()));
    }

    void toggled_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QStringList>("after");

        QTest::newRow("on from empty") << QString() << u"no_emoji"_s << QStringList{u"no_emoji"_s};
        QTest::newRow("off removes every copy")
            << u"no_emoji,,no_emoji,"_s << u"no_emoji"_s << QStringList{};
        QTest::newRow("unknown ids survive")
            << u"legacy,no_emoji"_s << u"no_emoji"_s << QStringList{u"legacy"_s};
        QTest::newRow("empty id changes nothing")
            << u"no_emoji"_s << QString() << QStringList{u"no_emoji"_s};
        QTest::newRow("id with comma changes nothing")
            << u"no_emoji"_s << u"a,b"_s << QStringList{u"no_emoji"_s};
    }

    void toggled()
    {
        QFETCH(QString, stored);
        QFETCH(QString, id);
        QFETCH(QStringList, after);

        const QString once = PromptSuggestion::toggled(stored, id);
        const QStringList onceIds = SettingsKeys::promptSuggestionIdsFrom(once);
        QCOMPARE(QSet<QString>(onceIds.cbegin(), onceIds.cend()),
                 QSet<QString>(after.cbegin(), after.cend()));
        QCOMPARE(onceIds.size(), after.size());

        // Toggling twice gives back the same set of active ids.
        const QStringList before = SettingsKeys::promptSuggestionIdsFrom(stored);
        const QStringList twice
            = SettingsKeys::promptSuggestionIdsFrom(PromptSuggestion::toggled(once, id));
        QCOMPARE(QSet<QString>(twice.cbegin(), twice.cend()),
                 QSet<QString>(before.cbegin(), before.cend()));
    }
};

VELM_TEST_MAIN(TestSystemPrompt)
#include "tst_systemprompt.moc"
