#pragma once

#include <QStringList>

// How the desktop app was asked for: `velm`, `velm --hidden` (login autostart: only the
// tray), `velm quick-ask` (the bar, for desktops where the chord cannot be had and users
// bind the command to a key themselves).
struct DesktopOptions
{
    bool startHidden = false;
    bool openQuickAsk = false;

    static DesktopOptions fromArguments(const QStringList &arguments);
    // What a running app is told to do instead: "show", "quick-ask" or "ping".
    QString handoverCommand() const;
};

// Hands the request to the app that already runs for this user, or starts the desktop
// application and runs its event loop; returns the exit code.
int runDesktopApp(int &argc, char **argv, const DesktopOptions &options);
