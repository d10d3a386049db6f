#include "base/apptheme.h"
#include "base/translations.h"
#include "support/testregistry.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// velm_eo.qm is compiled by the build from tests/data/translations/velm_eo.ts, which
// translates two of the theme cards' texts.
class TestTranslations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void languageFoundChangesTheTextsUntilGone()
    {
        const QTemporaryDir empty;
        {
            const Translations translations(
                QLocale(QLocale::Esperanto),
                {empty.path(), QString::fromUtf8(VELM_TEST_TRANSLATIONS)});
            QVERIFY(translations.hasAppTexts());
            QCOMPARE(AppThemes::displayName(AppTheme::Dark), u"Malhela"_s);
            QCOMPARE(AppThemes::description(AppTheme::Light), u"Hela kanvaso por taga laboro."_s);
            // A text the language leaves out stays English.
            QCOMPARE(AppThemes::displayName(AppTheme::Light), u"Light"_s);
        }
        QCOMPARE(AppThemes::displayName(AppTheme::Dark), u"Dark"_s);
    }

    void languageWithoutTranslationStaysEnglish()
    {
        const Translations translations(QLocale(QLocale::Swahili),
                                        {QString::fromUtf8(VELM_TEST_TRANSLATIONS)});
        QVERIFY(!translations.hasAppTexts());
        QCOMPARE(AppThemes::displayName(AppTheme::Dark), u"Dark"_s);
    }
};

VELM_TEST_MAIN(TestTranslations)
#include "tst_translations.moc"
