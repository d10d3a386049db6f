#include "attachments/attachmentreader.h"

#include "attachments/documentattachment.h"
#include "attachments/imageattachment.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

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
    const QMimeDatabase types;
    const QMimeType byContent = types.mimeTypeForData(bytes);
    if (ImageAttachment::accepts(byContent.name()))
        return ImageAttachment::prepare(bytes, name, byContent.name());
    // Text says little about itself: the name may tell Markdown from CSV, as long as the
    // content agrees that it is text.
    QMimeType type = byContent;
    if (byContent.inherits(u"text/plain"_s)) {
        const QMimeType named = types.mimeTypeForFileNameAndData(name, bytes);
        if (named.inherits(u"text/plain"_s) || named.name() == u"application/json"_s)
            type = named;
    }
    if (DocumentAttachment::accepts(type.name()))
        return DocumentAttachment::prepare(bytes, name, type.name());
    return u"%1 is not an image or a document velm can read (%2)"_s.arg(name, type.comment());
}

} // namespace AttachmentReader
