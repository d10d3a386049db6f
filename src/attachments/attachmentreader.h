#pragma once

#include "attachments/attachment.h"
#include "base/result.h"

#include <QByteArray>
#include <QString>

// Reads what a user attaches: its type is found from its content, never from its name, and
// it becomes an image or a document, or a sentence that says why it cannot be attached.
namespace AttachmentReader {

// The largest file read at all, in bytes.
constexpr qint64 maxFileSize = 64 << 20;

Result<Attachment, QString> read(const QString &path);
// Bytes from the clipboard or a drop, under the name they are shown with.
Result<Attachment, QString> read(const QByteArray &bytes, const QString &name);

} // namespace AttachmentReader
