#pragma once

#include <QLatin1String>
#include <QObject>
#include <QString>
#include <QUuid>
#include <QVariantMap>

// The application-wide notifications through which the windows talk to each other without
// knowing each other. One hub is created at start-up and handed to everyone who posts or
// observes; observers connect to the typed signals below.
//
// Delivery is synchronous and in posting order (importDialogChat is always seen before the
// showMainWindow posted after it). Use the hub from the main thread only.
//
// Payloads are checked before anything is delivered, so observers never see a malformed one:
// a notification whose required user info is missing or of the wrong type is dropped, as is
// one with an unknown name.
class AppEvents : public QObject
{
    Q_OBJECT

public:
    // The notification names, as used by `post`.
    struct Name
    {
        static constexpr QLatin1String AskDialogDidOpen{"askDialogDidOpen"};
        static constexpr QLatin1String OpenAskDialog{"openAskDialog"};
        static constexpr QLatin1String ShowMainWindow{"showMainWindow"};
        static constexpr QLatin1String HideToMenuBar{"hideToMenuBar"};
        static constexpr QLatin1String QuitAsk{"quitAsk"};
        static constexpr QLatin1String ImportDialogChat{"importDialogChat"};
        static constexpr QLatin1String ChatsDidChangeExternally{"chatsDidChangeExternally"};
        static constexpr QLatin1String OpenChatSession{"openChatSession"};
    };

    // The user-info keys of the two notifications that carry a payload.
    struct Key
    {
        static constexpr QLatin1String Query{"query"}; // importDialogChat, string, required
        static constexpr QLatin1String Answer{"answer"}; // importDialogChat, string, optional
        static constexpr QLatin1String Id{"id"}; // openChatSession, QUuid or UUID text
    };

    explicit AppEvents(QObject *parent = nullptr);

    // Posts the notification `name`. Returns whether it was delivered, i.e. the name is known
    // and the user info holds what the notification needs. User info of notifications that
    // carry none is ignored. Types are checked strictly: a number or a byte array is not a
    // string. "openChatSession" takes its "id" as a QUuid or as the 36-character UUID text
    // (either case, no braces).
    bool post(const QString &name, const QVariantMap &userInfo = {});

    void postAskDialogDidOpen();
    void postOpenAskDialog();
    void postShowMainWindow();
    void postHideToMenuBar();
    void postQuitAsk();
    // Dropped when the question is blank: there is no chat to make from it. Both texts are
    // delivered exactly as given, untrimmed.
    bool postImportDialogChat(const QString &query, const QString &answer = QString());
    void postChatsDidChangeExternally();
    // Dropped for the nil UUID, which no chat carries.
    bool postOpenChatSession(const QUuid &id);

Q_SIGNALS:
    void askDialogDidOpen();
    void openAskDialog();
    void showMainWindow();
    void hideToMenuBar();
    void quitAsk();
    void importDialogChat(const QString &query, const QString &answer);
    void chatsDidChangeExternally();
    void openChatSession(const QUuid &id);
};
