#include "attachments/attachmentthumbnail.h"

#include "attachments/attachment.h"

#include <QBuffer>
#include <QCache>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>

namespace AttachmentThumbnail {

QImage image(const Attachment &attachment, int side)
{
    if (attachment.kind != Attachment::Kind::Image || attachment.data.isEmpty() || side <= 0)
        return {};
    // A few hundred small pictures at most; an image is side² × 4 bytes. Locked: the
    // loader makes a chip's picture on the thread that read the file.
    static QMutex mutex;
    static QCache<QString, QImage> cache(8 << 20);
    const QString key = attachment.hash + u'@' + QString::number(side);
    {
        const QMutexLocker lock(&mutex);
        if (const QImage *cached = cache.object(key))
            return *cached;
    }

    QBuffer buffer;
    buffer.setData(attachment.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > side || full.height() > side))
        reader.setScaledSize(full.scaled(side, side, Qt::KeepAspectRatio));
    QImage picture = reader.read();
    if (picture.isNull())
        return {};
    if (picture.width() > side || picture.height() > side)
        picture = picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    if (!attachment.hash.isEmpty()) {
        const QMutexLocker lock(&mutex);
        cache.insert(key, new QImage(picture), int(picture.sizeInBytes()));
    }
    return picture;
}

} // namespace AttachmentThumbnail
