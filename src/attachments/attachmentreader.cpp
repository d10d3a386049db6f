#include "attachments/attachmentreader.h"

#include "attachments/documentattachment.h"
#include "attachments/imageattachment.h"

#include <QCoreApplication>
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
        return QCoreApplication::translate("AttachmentReader", "%1 could not be read: %2")
            .arg(name, file.errorString());
    if (file.size() > maxFileSize) {
        //: %1 is the file's name, %2 its size, %3 the largest size taken
        return QCoreApplication::translate("AttachmentReader",
                                           "%1 is too large to attach (%2; at most %3)")
            .arg(name, QLocale().formattedDataSize(file.size()),
                 QLocale().formattedDataSize(maxFileSize));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QCoreApplication::translate("AttachmentReader", "%1 could not be read: %2")
            .arg(name, file.errorString());
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
