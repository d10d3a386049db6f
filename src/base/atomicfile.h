#pragma once

#include <QByteArrayView>
#include <QString>

// The one way velm replaces a file: the chat store, the preferences, an export, the login
// entry. A reader sees the old file or the whole new one, never a part of either, and a
// write that fails (a full disk, a folder that cannot be written) leaves the old file as it
// was and says so.
//
// QSaveFile alone is not enough on Qt 6.4: it buffers a small write and flushes the buffer
// inside commit(), where a failed flush goes unreported, so a full disk would replace the
// file with an empty one and report success.
namespace AtomicFile {

// Writes `bytes` to `path` in one step; false and `error` (when given) saying why not. A new
// file gets the mode that the umask allows, or exactly `ownerOnly` access when asked.
enum class Access { Default, OwnerOnly };
bool write(const QString &path, QByteArrayView bytes, QString *error = nullptr,
           Access access = Access::Default);

} // namespace AtomicFile
