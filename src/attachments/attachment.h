#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A file attached to a question, ready to be sent: an image for a vision model, or a
// document as text.
struct Attachment
{
    enum class Kind { Image, Document };

    // Files one question carries at most.
    static constexpr qsizetype maxPerQuestion = 10;

    Kind kind = Kind::Document;
    // The file's name as the user knows it, without its folder.
    QString name;
    // The type found from the content, e.g. "image/png", "application/pdf".
    QString mimeType;
    // The size of the file as it was attached, in bytes.
    qint64 size = 0;
    // An image as it is sent: re-encoded, PNG when it has transparency, JPEG otherwise. A
    // document's file as it was attached, kept so that it can be opened and backed up.
    QByteArray data;
    QString dataMimeType;
    // A document's text as it is sent.
    QString text;
    // The SHA-256 of the content (hex), under which it is stored once however many messages
    // carry it. Set by contentHash() when the attachment is read.
    QString hash;

    // "data:image/jpeg;base64,…", the form an image goes to the model in and an export
    // keeps every attachment in.
    QString dataUrl() const;
    // Takes the data and its type from such a URL; false, changing nothing, for any other
    // text (another scheme, data not in base64).
    bool setDataUrl(QByteArrayView url);
    // The hash of what the attachment holds: its kind, its data and its text. The name is not
    // part of it, so the same file attached under two names is kept once.
    QString contentHash() const;

    // "image" or "document", as stored and exported.
    static QString kindName(Kind kind);
    static std::optional<Kind> kindFromName(QStringView name);

    bool operator==(const Attachment &other) const = default;
};
