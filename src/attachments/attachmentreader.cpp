#include "attachments/attachmentreader.h"

#include "attachments/documentattachment.h"
#include "attachments/imageattachment.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace AttachmentReader {

Result<Attachment, QString> read(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return u"%1 could not be read: %2"_s.arg(name, file.errorString());
    if (file.size() > maxFileSize) {
        return u"%1 is too large to attach (%2; at most %3)"_s.arg(
            name, QLocale().formattedDataSize(file.size()),
            QLocale().formattedDataSize(maxFileSize));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return u"%1 could not be read: %2"_s.arg(name, file.errorString());
    return read(bytes, name);
}

Result<Attachment, QString> read(const QByteArray &bytes, const QString &name)
{
    const QString type = DocumentAttachment::contentType(bytes, name);
    Result<Attachment, QString> read = DocumentAttachment::refusal(name, type);
    if (ImageAttachment::accepts(type))
        read = ImageAttachment::prepare(bytes, name, type);
    else if (DocumentAttachment::accepts(type))
        read = DocumentAttachment::prepare(bytes, name, type);
    if (read)
        read.value().hash = read.value().contentHash();
    return read;
}

} // namespace AttachmentReader
