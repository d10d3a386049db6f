#include "attachments/imageattachment.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace ImageAttachment {

namespace {

// Whether any pixel lets what is behind it show through.
bool hasTransparency(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return false;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return true;
        }
    }
    return false;
}

} // namespace

bool accepts(const QString &mimeType)
{
    static const QStringList types{u"image/png"_s, u"image/jpeg"_s, u"image/webp"_s, u"image/gif"_s,
                                   u"image/bmp"_s};
    return types.contains(mimeType);
}

Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(decodeLimitMb);
    // Told before anything is decoded, in words a user can act on.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() * 4 > qint64(decodeLimitMb) << 20) {
        //: %1 is the file's name, %2 × %3 the picture's width and height
        return QCoreApplication::translate("ImageAttachment",
                                           "%1 is too large to open (%2 × %3 pixels)")
            .arg(name, QLocale().toString(size.width()), QLocale().toString(size.height()));
    }
    QImage image = reader.read();
    if (image.isNull())
        return QCoreApplication::translate("ImageAttachment",
                                           "%1 could not be read as an image: %2")
            .arg(name, reader.errorString());

    if (image.width() > maxSide || image.height() > maxSide)
        image = image.scaled(maxSide, maxSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const bool transparent = hasTransparency(image);
    Attachment attachment;
    attachment.kind = Attachment::Kind::Image;
    attachment.name = name;
    attachment.mimeType = mimeType;
    attachment.size = bytes.size();
    attachment.dataMimeType = transparent ? u"image/png"_s : u"image/jpeg"_s;
    QBuffer encoded(&attachment.data);
    encoded.open(QIODevice::WriteOnly);
    const bool written = transparent
        ? image.save(&encoded, "PNG")
        : image.convertToFormat(QImage::Format_RGB32).save(&encoded, "JPEG", 90);
    if (!written)
        return QCoreApplication::translate("ImageAttachment",
                                           "%1 could not be prepared for sending")
            .arg(name);
    return attachment;
}

} // namespace ImageAttachment
