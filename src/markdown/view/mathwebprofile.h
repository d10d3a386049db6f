#pragma once

#include <functional>

class QObject;
class QWebEngineProfile;

// The one web engine profile of all math views: off the record (nothing is written to
// disk) and made on first use, so a session that never shows a formula starts no web
// engine at all.
class MathWebProfile
{
public:
    // Settings the web engine needs before the QApplication exists: the math views draw in
    // software, so no window ever becomes an OpenGL window and no OpenGL driver is loaded.
    // Call it first thing in main(); it starts nothing.
    static void prepareApplication();

    // The shared profile, created on the first call; lives until the application ends.
    static QWebEngineProfile *shared();

    // Whether shared() has been called in this process.
    static bool exists();

    // Setting up a page costs the main thread a few milliseconds (the engine makes the page's
    // web contents there), so views shown together (a new answer's formulas, an opened chat)
    // set up one after the other rather than in one go: `setUp` runs on a later turn of the
    // event loop, one per turn, in the order queued, and not at all once `context` is gone.
    static void queueSetUp(QObject *context, std::function<void()> setUp);
};
