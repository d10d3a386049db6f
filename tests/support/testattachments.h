#pragma once

#include "attachments/attachment.h"

#include <QByteArray>
#include <QString>

// Attachments as the reader makes them, for tests that store, send or show them; the data is
// taken as given, not decoded.
namespace TestAttachments {

inline Attachment image(const QString &name, const QByteArray &data,
                        const QString &type = QStringLiteral("image/png"))
{
    Attachment image;
    image.kind = Attachment::Kind::Image;
    image.name = name;
    image.mimeType = type;
    image.size = data.size();
    image.data = data;
    image.dataMimeType = type;
    image.hash = image.contentHash();
    return image;
}

// A document whose file is `text` in UTF-8, and whose text for the model is that text.
inline Attachment document(const QString &name, const QString &text,
                           const QString &type = QStringLiteral("text/plain"))
{
    Attachment document;
    document.name = name;
    document.mimeType = type;
    document.data = text.toUtf8();
    document.size = document.data.size();
    document.dataMimeType = type;
    document.text = text;
    document.hash = document.contentHash();
    return document;
}

} // namespace TestAttachments
