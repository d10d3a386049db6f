#include "core/newchatlabels.h"

using namespace Qt::StringLiterals;

namespace NewChatLabels {

QString greeting(int hour, const QString &userName)
{
    QString text = u"Good "_s;
    if (hour >= 5 && hour <= 11)
        text += u"morning"_s;
    else if (hour >= 12 && hour <= 17)
        text += u"afternoon"_s;
    else
        text += u"evening"_s;
    const QString name = userName.trimmed();
    if (!name.isEmpty())
        text += u", "_s + name;
    return text;
}

QString webSearchLabel(SettingsKeys::WebSearchMode mode)
{
    switch (mode) {
    case SettingsKeys::WebSearchMode::Always:
        return u"Search on"_s;
    case SettingsKeys::WebSearchMode::Never:
        return u"Search off"_s;
    case SettingsKeys::WebSearchMode::Auto:
        break;
    }
    return u"Search auto"_s;
}

} // namespace NewChatLabels
