#pragma once

#include "attachments/attachmentloader.h"

#include <QList>
#include <QObject>

#include <functional>
#include <optional>

class AttachmentChipRow;
class QWidget;

// What the main window's composer and the Quick Ask bar share about files: reading those the
// user offers on the thread pool, holding their chips ("Reading…") meanwhile, adding each
// to the question's own list when it is read or telling why not, and showing that list on a
// chip row. The list itself lives in the question's model, reached through `Question`.
class AttachmentTray : public QObject
{
    Q_OBJECT

public:
    struct Question
    {
        std::function<QList<Attachment>()> attached;
        // False when the question is full.
        std::function<bool(const Attachment &)> add;
        std::function<void(qsizetype)> remove;
    };

    AttachmentTray(Question question, AttachmentChipRow *chips, QObject *parent = nullptr);

    // Starts reading `files`; those beyond the question's limit are named in a note.
    void attach(const QList<AttachmentLoader::Offered> &files);
    // The desktop's file dialog over `parent`, for one file or several.
    void chooseFiles(QWidget *parent);
    // Removes the chip at `index`: a file attached, or one being read (its result is
    // dropped).
    void removeAt(qsizetype index);
    void removeLast();
    // Files still being read.
    int pending() const { return int(m_pending.size()); }
    // Runs `then` once every file being read is attached, at once when none is; forgotten
    // when one of them cannot be attached, so that the user sees why before anything is sent.
    void whenRead(std::function<void()> then);
    // Shows the question's list again; for its model's change signal.
    void refresh();

Q_SIGNALS:
    void pendingChanged();

private:
    struct Pending
    {
        AttachmentLoader::Id id = 0;
        QString name;
        // Read, and held until those attached before it are read too.
        std::optional<Attachment> read;
    };

    void onLoaded(AttachmentLoader::Id id, const Attachment &attachment);
    void onFailed(AttachmentLoader::Id id, const QString &reason);
    // Adds the files read at the front of the queue to the question, in the order they were
    // attached: reads end in any order.
    void attachInOrder();

    Question m_question;
    AttachmentChipRow *m_chips;
    AttachmentLoader m_loader;
    QList<Pending> m_pending;
    std::function<void()> m_whenRead;
};
