#pragma once

#include "attachments/attachment.h"
#include "base/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Documents as text for the model: plain text, Markdown, source code, CSV, JSON, HTML (its
// text only) and PDF (its text, page by page).
namespace DocumentAttachment {

// Whether a file of this type (found from its content) is read as a document.
bool accepts(const QString &mimeType);

// The document in `bytes` as an attachment of kind Document; why not when its text cannot
// be read.
Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType);

} // namespace DocumentAttachment
