#include "widgets/attachmenttray.h"

#include "attachments/attachmentthumbnail.h"
#include "widgets/attachmentchiprow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

AttachmentTray::AttachmentTray(Question question, AttachmentChipRow *chips, QObject *parent)
    : QObject(parent)
    , m_question(std::move(question))
    , m_chips(chips)
{
    connect(&m_loader, &AttachmentLoader::loaded, this, &AttachmentTray::onLoaded);
    connect(&m_loader, &AttachmentLoader::failed, this, &AttachmentTray::onFailed);
    connect(m_chips, &AttachmentChipRow::removeRequested, this,
            [this](int index) { removeAt(index); });
    refresh();
}

void AttachmentTray::attach(const QList<AttachmentLoader::Offered> &files)
{
    m_chips->clearNote();
    qsizetype room = Attachment::maxPerQuestion - m_question.attached().size() - m_pending.size();
    for (const AttachmentLoader::Offered &file : files) {
        const QString name = file.path.isEmpty() ? file.name : QFileInfo(file.path).fileName();
        if (room <= 0) {
            //: %1 is the most files a question takes, %2 the name of the file left out
            m_chips->showNote(tr("A question can carry %1 files at most; %2 was not attached.")
                                  .arg(Attachment::maxPerQuestion)
                                  .arg(name));
            break;
        }
        --room;
        m_pending.append({m_loader.load(file), name, std::nullopt});
    }
    refresh();
    Q_EMIT pendingChanged();
}

void AttachmentTray::chooseFiles(QWidget *parent)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QStringList paths = QFileDialog::getOpenFileNames(
        parent, tr("Attach Files"), folder,
        tr("Images and documents (*.png *.jpg *.jpeg *.webp *.gif *.bmp *.pdf *.txt *.md *.csv "
           "*.json *.html *.htm *.xml *.c *.cpp *.h *.py *.js *.ts *.rs *.go *.java *.sh);;"
           "All files (*)"));
    QList<AttachmentLoader::Offered> files;
    for (const QString &path : paths)
        files.append({path, {}, {}});
    if (!files.isEmpty())
        attach(files);
}

void AttachmentTray::removeAt(qsizetype index)
{
    const qsizetype attached = m_question.attached().size();
    if (index < 0)
        return;
    m_chips->clearNote();
    if (index < attached) {
        m_question.remove(index);
    } else if (index - attached < m_pending.size()) {
        m_pending.removeAt(index - attached);
        refresh();
        Q_EMIT pendingChanged();
    }
}

void AttachmentTray::removeLast()
{
    removeAt(m_question.attached().size() + m_pending.size() - 1);
}

void AttachmentTray::whenRead(std::function<void()> then)
{
    if (m_pending.isEmpty()) {
        then();
        return;
    }
    m_whenRead = std::move(then);
}

void AttachmentTray::refresh()
{
    QList<AttachmentChipRow::Item> items;
    for (const Attachment &attachment : m_question.attached()) {
        const bool image = attachment.kind == Attachment::Kind::Image;
        items.append({attachment.name, attachment.size, image,
                      image ? AttachmentThumbnail::image(attachment, AttachmentThumbnail::chipSide)
                            : QImage(),
                      false});
    }
    for (const Pending &pending : std::as_const(m_pending))
        items.append({pending.name, 0, false, QImage(), true});
    m_chips->setItems(items);
}

void AttachmentTray::onLoaded(AttachmentLoader::Id id, const Attachment &attachment)
{
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [id](const Pending &p) { return p.id == id; });
    // Removed while it was read.
    if (pending == m_pending.end())
        return;
    pending->read = attachment;
    attachInOrder();
}

void AttachmentTray::onFailed(AttachmentLoader::Id id, const QString &reason)
{
    const qsizetype before = m_pending.size();
    m_pending.removeIf([id](const Pending &p) { return p.id == id; });
    if (m_pending.size() == before)
        return;
    m_whenRead = nullptr;
    attachInOrder();
    refresh();
    m_chips->showNote(reason);
    Q_EMIT pendingChanged();
}

void AttachmentTray::attachInOrder()
{
    bool attached = false;
    while (!m_pending.isEmpty() && m_pending.constFirst().read) {
        const Attachment attachment = *m_pending.takeFirst().read;
        attached = true;
        // A question that is full refuses it; its chip goes with it.
        m_question.add(attachment);
    }
    if (!attached)
        return;
    refresh();
    Q_EMIT pendingChanged();
    if (m_pending.isEmpty() && m_whenRead)
        std::exchange(m_whenRead, nullptr)();
}
