#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QToolButton;

// The files attached to a question that is still being written, as chips above its field:
// a picture for an image, an icon for a document, the name and the size, and a button that
// removes it. A file still being read shows "Reading…" in place of its size. Chips wrap
// into as many lines as they need; a note under them tells of a file that was refused.
class AttachmentChipRow : public QWidget
{
    Q_OBJECT

public:
    struct Item
    {
        QString name;
        // In bytes; not shown while the file is read.
        qint64 size = 0;
        bool image = false;
        // An image's picture, AttachmentThumbnail::chipSide square at most.
        QImage thumbnail;
        bool pending = false;
    };

    explicit AttachmentChipRow(QWidget *parent = nullptr);

    void setItems(const QList<Item> &items);
    // The remove buttons come just before `field` when Tab goes round, as the chips stand
    // above it.
    void setTabStopsBefore(QWidget *field) { m_field = field; }
    int count() const { return int(m_chips.size()); }
    // A sentence in the error colour under the chips, until the next one or clearNote().
    void showNote(const QString &note);
    void clearNote();
    QString note() const;
    // The remove buttons, in the chips' order.
    QList<QToolButton *> removeButtons() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void removeRequested(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Places the chips for `width` and answers the height they take; moves nothing when
    // `place` is false.
    int layOut(int width, bool place) const;
    void refreshVisibility();

    QList<QWidget *> m_chips;
    QLabel *m_note;
    QWidget *m_field = nullptr;
};
