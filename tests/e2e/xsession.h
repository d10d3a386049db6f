#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// A virtual X display of the test's own (Xvfb on the first free display number), and the
// tools that drive and watch it: xdotool, and screen grabs of its own. Stops the server when
// gone.
class XSession
{
public:
    XSession();
    ~XSession();

    // The programs that are missing on this machine, by name; empty when all are there.
    static QStringList missingTools();

    bool start(QSize screenSize = QSize(1600, 1000));
    // Uses a display that is already there (a developer's own) instead of starting one;
    // false when `display` is empty.
    bool attach(const QString &display);
    QString display() const { return m_display; }
    // The system environment with DISPLAY pointing here.
    QProcessEnvironment environment() const;

    // Runs xdotool with `arguments`; its exit code (-1 when it did not end in time). Its
    // standard output goes to `output` when given.
    int xdotool(const QStringList &arguments, QString *output = nullptr) const;
    // Whether a mapped window's title is exactly `title`.
    bool hasVisibleWindow(const QString &title) const;
    // The ids of the mapped windows titled exactly `title`, as xdotool names them.
    QStringList visibleWindows(const QString &title) const;
    // Waits until a window titled exactly `title` is mapped (or, with `visible` false, none
    // is); whether that happened within `timeoutMs`.
    bool waitForWindow(const QString &title, bool visible = true, int timeoutMs = 30000) const;
    // Whether the window with the keyboard focus is titled exactly `title`.
    bool hasFocusedWindow(const QString &title) const;
    // Where the window `id` is on the screen; null when xdotool cannot tell.
    QRect windowGeometry(const QString &id) const;
    // What the screen shows; null when it cannot be read.
    QImage grabScreen() const;
    // Saves the screen as `fileName` in the build tree's screenshot folder, cut to the
    // window `windowId` when given and on the screen; the saved file's path, or empty.
    QString saveScreenshot(const QString &fileName, const QString &windowId = QString()) const;

private:
    QProcess m_server;
    QString m_display;
};
