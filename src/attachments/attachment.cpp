#include "attachments/attachment.h"

QString Attachment::dataUrl() const
{
    return QStringLiteral("data:") + dataMimeType + QStringLiteral(";base64,")
        + QString::fromLatin1(data.toBase64());
}
