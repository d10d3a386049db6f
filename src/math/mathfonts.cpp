#include "math/mathfonts.h"

#include <QDir>
#include <QFontDatabase>

using namespace Qt::StringLiterals;

namespace MathFonts {

int registerFrom(const QString &folder)
{
    int registered = 0;
    const QDir dir(folder);
    for (const QString &file : dir.entryList({u"KaTeX_*.ttf"_s}, QDir::Files))
        registered += QFontDatabase::addApplicationFont(dir.filePath(file)) >= 0;
    return registered;
}

int registerEmbedded()
{
    static const int registered = registerFrom(u":/katex/fonts"_s);
    return registered;
}

} // namespace MathFonts
