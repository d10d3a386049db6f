#pragma once

#include "attachments/attachment.h"
#include "base/result.h"

#include <QByteArray>
#include <QString>

// Images for a vision model: decoded under a memory limit, scaled down to what models read
// and re-encoded, so that a 12-megapixel photo costs a few hundred kilobytes of request.
namespace ImageAttachment {

// The longer side of an image as it is sent, at most.
constexpr int maxSide = 2048;
// What decoding an image may take, in megabytes: a small file that claims huge dimensions
// (a decompression bomb) is refused before it is decoded.
constexpr int decodeLimitMb = 256;

// PNG, JPEG, WebP, GIF (its first frame) and BMP.
bool accepts(const QString &mimeType);

// The image in `bytes` as an attachment of kind Image: PNG when it has transparency, JPEG
// otherwise; why not when it cannot be decoded.
Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType);

} // namespace ImageAttachment
