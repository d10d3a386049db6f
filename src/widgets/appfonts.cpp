#include "widgets/appfonts.h"

#include <QFile>
#include <QFontDatabase>

#include <atomic>

using namespace Qt::StringLiterals;

int registerAppFonts()
{
    static std::atomic_bool registered = false;
    if (registered.exchange(true))
        return 0;
    QStringList paths;
    for (const QString &name : AppFonts::resourceNames()) {
        const QString path = AppFonts::resourcePath(name);
        if (!path.isEmpty())
            paths.append(path);
    }
    return AppFonts::registerFontFiles(paths);
}

namespace AppFonts {

QStringList resourceNames()
{
    return {
        u"PlayfairDisplay-Regular"_s, u"PlayfairDisplay-Medium"_s, u"PlayfairDisplay-SemiBold"_s,
        u"PlayfairDisplay-Bold"_s,    u"PlayfairDisplay-Black"_s,  u"Inter_18pt-Regular"_s,
        u"Inter_18pt-Medium"_s,       u"Inter_18pt-SemiBold"_s,
    };
}

QString resourcePath(const QString &name)
{
    // Playfair Display comes as TrueType, Debian's Inter as OpenType/CFF.
    for (const QString &extension : {u"ttf"_s, u"otf"_s}) {
        const QString path = u":/fonts/"_s + name + u'.' + extension;
        if (QFile::exists(path))
            return path;
    }
    return QString();
}

int registerFontFiles(const QStringList &paths)
{
    int registered = 0;
    for (const QString &path : paths) {
        if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) != -1)
            ++registered;
    }
    return registered;
}

} // namespace AppFonts
