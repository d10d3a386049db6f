#pragma once

class AppEvents;
class Settings;

namespace AppDataReset {

// Deletes every chat and preference and leaves the stored state of a first launch, so that
// the main window shows onboarding the next time it is asked for: the preferences file is
// emptied, the keys of SettingsKeys::resetKeys are removed one by one in their order (the two
// chat files among them), onboarding is marked unfinished with no name, instructions or
// quick styles, the dark theme is written with Quick Ask following the system, and
// chatsDidChangeExternally is posted so that open windows drop their chats.
//
// The onboarding drafts are a file of their own and are left as they are, so an onboarding
// interrupted before the reset resumes where it was. Closing the settings window and showing
// the main window are the caller's.
void resetAllAppData(Settings &settings, AppEvents &events);

} // namespace AppDataReset
