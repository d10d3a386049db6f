#pragma once

#include "attachments/attachment.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QMimeData;

// Reads attachments on the thread pool: decoding a 12-megapixel photo or reading a long PDF
// takes longer than a frame, and the window must not wait for it. Each result comes back on
// the loader's thread, in the order the reads end; a loader that is destroyed drops the
// results still to come.
class AttachmentLoader : public QObject
{
    Q_OBJECT

public:
    using Id = quint64;

    // A file the user offered: a path on this machine, or bytes (a pasted image) under the
    // name they are shown with.
    struct Offered
    {
        QString path;
        QByteArray bytes;
        QString name;
    };

    explicit AttachmentLoader(QObject *parent = nullptr);
    ~AttachmentLoader() override;

    // Starts reading; the id comes back with the result.
    Id load(const Offered &offered);

    // What a drop or a paste offers as attachments: the local files among its URLs, or an
    // image's bytes. Text is not an attachment: nothing, so that it is pasted as text.
    static QList<Offered> offeredFiles(const QMimeData &data);
    // Whether offeredFiles() would find something, without reading or decoding it: for a drag
    // that passes over a field.
    static bool offersFiles(const QMimeData &data);

Q_SIGNALS:
    void loaded(AttachmentLoader::Id id, const Attachment &attachment);
    // Why the file cannot be attached, as a sentence to show.
    void failed(AttachmentLoader::Id id, const QString &reason);

private:
    Id m_next = 0;
};
