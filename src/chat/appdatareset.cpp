#include "chat/appdatareset.h"

#include "chat/appevents.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"

namespace AppDataReset {

void resetAllAppData(Settings &settings, AppEvents &events)
{
    settings.clear();
    // Mostly gone with the file already; the chat files are not in it, and a key that is
    // absent is simply not removed.
    for (const QStringView key : SettingsKeys::resetKeys)
        settings.remove(key);

    settings.setHasCompletedOnboarding(false);
    settings.setUserName(QString());
    settings.setSystemPrompt(QString());
    settings.setActivePromptSuggestions(QString());

    settings.setAppTheme(AppThemes::rawValue(AppTheme::Dark));
    settings.setQuickAskFollowsSystemTheme(true);
    settings.setShowThinking(true);

    events.postChatsDidChangeExternally();
}

} // namespace AppDataReset
