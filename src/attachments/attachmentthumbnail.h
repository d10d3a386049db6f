#pragma once

#include <QImage>
#include <QString>

struct Attachment;

// Small pictures of attached images, for chips and for the messages that carry them. The
// image is decoded at the size shown (JPEG decodes at a fraction of its size for the cost
// of the fraction), and each picture is kept by the content's hash, so that a chat shown
// again costs no decoding. Safe to call from any thread.
namespace AttachmentThumbnail {

// `attachment` (an image) fitted into a square of `side` device pixels; a null image for a
// document or data that cannot be decoded.
QImage image(const Attachment &attachment, int side);

// The side of a chip's picture, in device pixels: 32 logical pixels at up to three times.
constexpr int chipSide = 96;

} // namespace AttachmentThumbnail
