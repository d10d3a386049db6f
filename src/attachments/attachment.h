#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A file attached to a question, ready to be sent: an image for a vision model, or a
// document as text.
struct Attachment
{
    enum class Kind { Image, Document };

    Kind kind = Kind::Document;
    // The file's name as the user knows it, without its folder.
    QString name;
    // The type found from the content, e.g. "image/png", "application/pdf".
    QString mimeType;
    // The size of the file as it was attached, in bytes.
    qint64 size = 0;
    // An image as it is sent: re-encoded, PNG when it has transparency, JPEG otherwise.
    QByteArray data;
    QString dataMimeType;
    // A document's text as it is sent.
    QString text;

    // "data:image/jpeg;base64,…", the form an image goes to the model in.
    QString dataUrl() const;

    bool operator==(const Attachment &other) const = default;
};
