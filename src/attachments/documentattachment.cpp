#include "attachments/documentattachment.h"

namespace DocumentAttachment {

bool accepts(const QString &mimeType)
{
    return mimeType.startsWith(QStringLiteral("text/"));
}

Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType)
{
    Attachment attachment;
    attachment.kind = Attachment::Kind::Document;
    attachment.name = name;
    attachment.mimeType = mimeType;
    attachment.size = bytes.size();
    attachment.text = QString::fromUtf8(bytes);
    return attachment;
}

} // namespace DocumentAttachment
