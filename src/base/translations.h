#pragma once

#include <QLocale>
#include <QStringList>
#include <QTranslator>

// The texts of the user's language, for as long as this object lives: velm's own from
// velm_<locale>.qm, found in the first of `folders` that has one, and Qt's (its dialogs'
// buttons, the text fields' menus) from Qt's translations. Where neither is found the English
// texts in the code stay.
class Translations
{
public:
    explicit Translations(const QLocale &locale = QLocale::system(),
                          const QStringList &folders = searchFolders());
    ~Translations();
    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

    // Whether velm's own texts are translated.
    bool hasAppTexts() const { return m_appInstalled; }

    // Beside the executable first, where a build puts the compiled translations so that a
    // developer can try one without installing, then the installed data folder.
    static QStringList searchFolders();

private:
    QTranslator m_app;
    QTranslator m_qt;
    bool m_appInstalled = false;
    bool m_qtInstalled = false;
};
