#include "main_window/composerview.h"

#include "attachments/attachmentthumbnail.h"
#include "chat/conversationcontroller.h"
#include "main_window/composertextedit.h"
#include "main_window/modelchip.h"
#include "main_window/sendstopbutton.h"
#include "main_window/undonote.h"
#include "main_window/websearchchip.h"
#include "widgets/appcolors.h"
#include "widgets/attachmentchiprow.h"
#include "widgets/glasssurface.h"
#include "widgets/iconbutton.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The composer is as wide as the conversation's rows (720 at most), inside a margin of 20
// on each side when the window is narrow.
constexpr int contentWidth = 720;
constexpr int sideInset = 20;
constexpr int cornerRadius = 18;

QKeySequence stopKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Period);
}

} // namespace

ComposerView::ComposerView(ConversationController &controller, Settings &settings, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_surface = new QWidget(this);
    m_surface->setMaximumWidth(contentWidth);
    m_surface->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_attachmentChips = new AttachmentChipRow(m_surface);
    m_textEdit = new ComposerTextEdit(m_surface);
    // Made in the order Tab goes: the field, the paperclip beside it, then the chips and Send.
    m_attach = new IconButton(u"paperclip"_s, u"Attach files"_s, 26, 16, m_surface);
    m_attach->setObjectName(u"attachButton"_s);
    m_attach->setToolTip(u"Attach images or documents"_s);
    m_attach->setFocusPolicy(Qt::TabFocus);
    m_chip = new WebSearchChip(settings, m_surface);
    m_modelChip = new ModelChip(controller.modelChoice(), m_surface);
    m_sendStop = new SendStopButton(m_surface);
    setAcceptDrops(true);

    auto *bottomRow = new QHBoxLayout;
    bottomRow->setContentsMargins(0, 0, 0, 0);
    bottomRow->setSpacing(6);
    bottomRow->addWidget(m_attach, 0, Qt::AlignVCenter);
    bottomRow->addWidget(m_chip, 0, Qt::AlignVCenter);
    bottomRow->addWidget(m_modelChip, 0, Qt::AlignVCenter);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_sendStop, 0, Qt::AlignVCenter);

    auto *inner = new QVBoxLayout(m_surface);
    inner->setContentsMargins(12, 12, 10, 10);
    inner->setSpacing(6);
    inner->addWidget(m_attachmentChips);
    inner->addWidget(m_textEdit);
    inner->addLayout(bottomRow);

    auto *outer = new QHBoxLayout;
    outer->setContentsMargins(sideInset, 8, sideInset, 8);
    outer->addStretch(0);
    outer->addWidget(m_surface, 1);
    outer->addStretch(0);
    // The note, while it shows, sits in the space under the composer.
    m_undoNote = new UndoNote(controller, this);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(0);
    column->addLayout(outer);
    column->addWidget(m_undoNote);

    connect(m_textEdit, &QPlainTextEdit::textChanged, this,
            [this] { m_controller.setDraft(m_textEdit->toPlainText()); });
    connect(m_textEdit, &ComposerTextEdit::submitted, this, &ComposerView::send);
    connect(m_textEdit, &ComposerTextEdit::editLastRequested, &controller,
            &ConversationController::editLastQuestion);
    connect(m_textEdit, &ComposerTextEdit::focusChanged, this, &ComposerView::setComposerFocused);
    connect(m_sendStop, &QAbstractButton::clicked, this, &ComposerView::sendOrStop);
    connect(m_textEdit, &ComposerTextEdit::filesOffered, this, &ComposerView::attach);
    connect(m_textEdit, &ComposerTextEdit::removeLastAttachmentRequested, this,
            [this] { removeAttachment(int(m_controller.draftAttachments().size()) - 1); });
    connect(m_attach, &QToolButton::clicked, this, &ComposerView::chooseFiles);
    connect(m_attachmentChips, &AttachmentChipRow::removeRequested, this,
            &ComposerView::removeAttachment);
    connect(&m_loader, &AttachmentLoader::loaded, this, &ComposerView::onAttachmentLoaded);
    connect(&m_loader, &AttachmentLoader::failed, this, &ComposerView::onAttachmentFailed);
    connect(&controller, &ConversationController::draftAttachmentsChanged, this,
            &ComposerView::showAttachments);

    connect(&controller, &ConversationController::draftChanged, this, &ComposerView::showDraft);
    connect(&controller, &ConversationController::canSendChanged, this,
            &ComposerView::updateSendStop);
    connect(&controller, &ConversationController::isLoadingChanged, this,
            &ComposerView::updateSendStop);
    connect(&controller, &ConversationController::composerFocusRequested, this,
            &ComposerView::focusTextField);

    // Ctrl+. only ever stops: sending with it would send a half-written draft the moment
    // an answer ends under the user's fingers.
    auto *stop = new QShortcut(stopKey(), this);
    stop->setContext(Qt::WindowShortcut);
    connect(stop, &QShortcut::activated, this, &ComposerView::stopIfLoading);

    showDraft();
    showAttachments();
    updateSendStop();
}

void ComposerView::attach(const QList<AttachmentLoader::Offered> &files)
{
    m_attachmentChips->clearNote();
    qsizetype room
        = Attachment::maxPerQuestion - m_controller.draftAttachments().size() - m_pending.size();
    for (const AttachmentLoader::Offered &file : files) {
        const QString name = file.path.isEmpty() ? file.name : QFileInfo(file.path).fileName();
        if (room <= 0) {
            m_attachmentChips->showNote(
                u"A question can carry %1 files at most; %2 was not attached."_s
                    .arg(Attachment::maxPerQuestion)
                    .arg(name));
            break;
        }
        --room;
        m_pending.append({m_loader.load(file), name});
    }
    showAttachments();
}

void ComposerView::chooseFiles()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, u"Attach Files"_s, folder,
        u"Images and documents (*.png *.jpg *.jpeg *.webp *.gif *.bmp *.pdf *.txt *.md *.csv "
        "*.json *.html *.htm *.xml *.c *.cpp *.h *.py *.js *.ts *.rs *.go *.java *.sh);;All files (*)"_s);
    QList<AttachmentLoader::Offered> files;
    for (const QString &path : paths)
        files.append({path, {}, {}});
    if (!files.isEmpty())
        attach(files);
    focusTextField();
}

void ComposerView::onAttachmentLoaded(AttachmentLoader::Id id, const Attachment &attachment)
{
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [id](const Pending &p) { return p.id == id; });
    // Removed while it was read.
    if (pending == m_pending.end())
        return;
    m_pending.erase(pending);
    if (!m_controller.addAttachment(attachment))
        showAttachments();
    if (m_pending.isEmpty() && std::exchange(m_sendWhenRead, false))
        m_controller.sendMessage();
}

void ComposerView::onAttachmentFailed(AttachmentLoader::Id id, const QString &reason)
{
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(),
                                      [id](const Pending &p) { return p.id == id; });
    if (pending == m_pending.end())
        return;
    m_pending.erase(pending);
    // The user asked with a file that is not coming: the question waits for another look.
    m_sendWhenRead = false;
    showAttachments();
    m_attachmentChips->showNote(reason);
}

void ComposerView::removeAttachment(int index)
{
    const qsizetype attached = m_controller.draftAttachments().size();
    if (index < 0)
        return;
    m_attachmentChips->clearNote();
    if (index < attached) {
        m_controller.removeAttachment(index);
    } else if (index - attached < m_pending.size()) {
        // Its result is dropped when it comes.
        m_pending.removeAt(index - attached);
        showAttachments();
    }
}

void ComposerView::showAttachments()
{
    QList<AttachmentChipRow::Item> items;
    for (const Attachment &attachment : m_controller.draftAttachments()) {
        const bool image = attachment.kind == Attachment::Kind::Image;
        items.append({attachment.name, attachment.size, image,
                      image ? AttachmentThumbnail::image(attachment, AttachmentThumbnail::chipSide)
                            : QImage(),
                      false});
    }
    for (const Pending &pending : std::as_const(m_pending))
        items.append({pending.name, 0, false, QImage(), true});
    m_attachmentChips->setItems(items);
    updateSendStop();
}

void ComposerView::dragEnterEvent(QDragEnterEvent *event)
{
    if (AttachmentLoader::offersFiles(*event->mimeData()))
        event->acceptProposedAction();
}

void ComposerView::dropEvent(QDropEvent *event)
{
    const QList<AttachmentLoader::Offered> files
        = AttachmentLoader::offeredFiles(*event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    attach(files);
    focusTextField();
}

void ComposerView::focusTextField()
{
    m_textEdit->setFocus(Qt::OtherFocusReason);
}

void ComposerView::setComposerFocused(bool focused)
{
    if (m_composerFocused == focused)
        return;
    m_composerFocused = focused;
    Q_EMIT composerFocusedChanged(focused);
}

void ComposerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QRectF surface = QRectF(m_surface->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, surface, cornerRadius, dark);
    // A hairline keeps the field apart from a background of nearly the same tone.
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 20), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(surface, cornerRadius, cornerRadius);
}

void ComposerView::showDraft()
{
    const QString draft = m_controller.draft();
    if (m_textEdit->toPlainText() == draft)
        return;
    m_textEdit->setPlainText(draft);
    m_textEdit->moveCursor(QTextCursor::End);
}

void ComposerView::updateSendStop()
{
    const bool loading = m_controller.isLoading();
    m_sendStop->setStop(loading);
    m_sendStop->setEnabled(loading || m_controller.canSend() || !m_pending.isEmpty());
    if (loading) {
        m_sendStop->setToolTip(u"Stop (%1)"_s.arg(stopKey().toString(QKeySequence::NativeText)));
        m_sendStop->setAccessibleName(u"Stop"_s);
    } else {
        m_sendStop->setToolTip(u"Send (Return)"_s);
        m_sendStop->setAccessibleName(u"Send"_s);
    }
}

void ComposerView::sendOrStop()
{
    if (m_controller.isLoading())
        m_controller.stopStreaming();
    else
        send();
}

void ComposerView::send()
{
    if (!m_pending.isEmpty()) {
        m_sendWhenRead = !m_controller.isLoading();
        return;
    }
    m_controller.sendMessage();
}

void ComposerView::stopIfLoading()
{
    if (m_controller.isLoading())
        m_controller.stopStreaming();
}
