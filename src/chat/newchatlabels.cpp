#include "chat/newchatlabels.h"

#include "search/searchmode.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace NewChatLabels {

QString greeting(int hour, const QString &userName)
{
    // Whole sentences, so that a language can put the name where it belongs.
    const QString name = userName.trimmed();
    if (hour >= 5 && hour <= 11)
        return name.isEmpty()
            ? QCoreApplication::translate("NewChatLabels", "Good morning")
            //: %1 is the user's name
            : QCoreApplication::translate("NewChatLabels", "Good morning, %1").arg(name);
    if (hour >= 12 && hour <= 17)
        return name.isEmpty()
            ? QCoreApplication::translate("NewChatLabels", "Good afternoon")
            : QCoreApplication::translate("NewChatLabels", "Good afternoon, %1").arg(name);
    return name.isEmpty()
        ? QCoreApplication::translate("NewChatLabels", "Good evening")
        : QCoreApplication::translate("NewChatLabels", "Good evening, %1").arg(name);
}

QString webSearchLabel(WebSearchMode mode)
{
    switch (mode) {
    case WebSearchMode::Always:
        return QCoreApplication::translate("NewChatLabels", "Search on");
    case WebSearchMode::Never:
        return QCoreApplication::translate("NewChatLabels", "Search off");
    case WebSearchMode::Auto:
        break;
    }
    return QCoreApplication::translate("NewChatLabels", "Search auto");
}

} // namespace NewChatLabels
