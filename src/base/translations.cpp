#include "base/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>

using namespace Qt::StringLiterals;

Translations::Translations(const QLocale &locale, const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (m_app.load(locale, u"velm"_s, u"_"_s, folder)) {
            m_appInstalled = QCoreApplication::installTranslator(&m_app);
            break;
        }
    }
    if (m_qt.load(locale, u"qtbase"_s, u"_"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
}

Translations::~Translations()
{
    if (m_appInstalled)
        QCoreApplication::removeTranslator(&m_app);
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
}

QStringList Translations::searchFolders()
{
    const QDir executable(QCoreApplication::applicationDirPath());
    return {executable.filePath(u"translations"_s),
            QDir::cleanPath(executable.filePath(QStringLiteral(VELM_INSTALLED_TRANSLATIONS)))};
}
