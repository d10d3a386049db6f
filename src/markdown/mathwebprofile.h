#pragma once

class QWebEngineProfile;

// The one web engine profile of all math views: off the record (nothing is written to
// disk) and made on first use, so a session that never shows a formula starts no web
// engine at all.
class MathWebProfile
{
public:
    // Settings the web engine needs before the QApplication exists. Call it first thing in
    // main(); it creates nothing.
    static void prepareApplication();

    // The shared profile, created on the first call; lives until the application ends.
    static QWebEngineProfile *shared();

    // Whether shared() has been called in this process.
    static bool exists();
};
