#pragma once

#include "attachments/attachment.h"

#include <QList>
#include <QWidget>

class QAbstractButton;

// The files a question carried, above its bubble on the user's side: a picture of each image
// and a card for each document. A tile is a button: an image opens at full size in a viewer,
// a document with the desktop's application for its type.
class AttachmentTiles : public QWidget
{
    Q_OBJECT

public:
    explicit AttachmentTiles(QWidget *parent = nullptr);

    void setAttachments(const QList<Attachment> &attachments);
    QList<QAbstractButton *> tiles() const { return m_tiles; }

    // Tiles wrap from the right, as the bubble under them is aligned.
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    // Opens an attachment as its tile does: an image in the viewer, a document with the
    // desktop's handler (from a copy in the cache folder). False when that failed.
    static bool open(const Attachment &attachment, QWidget *parent);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int layOut(int width, bool place) const;

    QList<Attachment> m_attachments;
    QList<QAbstractButton *> m_tiles;
};
