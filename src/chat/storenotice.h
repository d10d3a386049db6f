#pragma once

#include <QString>

// What the main window has to tell the user about the stored chats: nothing, or a problem
// that would otherwise go unseen until chats were missing.
struct StoreNotice
{
    enum class Kind {
        None,
        // The stored list could not be decoded; it was kept untouched in `path`, and the
        // window started without it.
        Damaged,
        // The stored list at `path` exists but cannot be read; nothing is saved until it can.
        Unreadable,
        // A change could not be saved in `path`; it stays in the window.
        Unsaved,
    };

    Kind kind = Kind::None;
    QString path;
    // What the system said, e.g. "Permission denied".
    QString reason;

    bool operator==(const StoreNotice &other) const = default;
};
