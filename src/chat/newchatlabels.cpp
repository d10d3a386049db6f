#include "chat/newchatlabels.h"

#include "search/searchmode.h"

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

QString webSearchLabel(WebSearchMode mode)
{
    switch (mode) {
    case WebSearchMode::Always:
        return u"Search on"_s;
    case WebSearchMode::Never:
        return u"Search off"_s;
    case WebSearchMode::Auto:
        break;
    }
    return u"Search auto"_s;
}

} // namespace NewChatLabels
