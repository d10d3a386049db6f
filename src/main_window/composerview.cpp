#include "main_window/composerview.h"

#include "chat/conversationcontroller.h"
#include "main_window/composertextedit.h"
#include "main_window/modelchip.h"
#include "main_window/sendstopbutton.h"
#include "main_window/undonote.h"
#include "main_window/websearchchip.h"
#include "widgets/appcolors.h"
#include "widgets/attachmentchiprow.h"
#include "widgets/attachmenttray.h"
#include "widgets/glasssurface.h"
#include "widgets/iconbutton.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
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
    m_attachmentChips->setTabStopsBefore(m_textEdit);
    // Made in the order Tab goes: the field, the paperclip beside it, then the chips and Send.
    m_attach = new IconButton(u"paperclip"_s, tr("Attach files"), 26, 16, m_surface);
    m_attach->setObjectName(u"attachButton"_s);
    m_attach->setToolTip(tr("Attach images or documents"));
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
    m_tray = new AttachmentTray(
        {[&controller] { return controller.draftAttachments(); },
         [&controller](const Attachment &attachment) {
             return controller.addAttachment(attachment);
         },
         [&controller](qsizetype index) { controller.removeAttachment(index); }},
        m_attachmentChips, this);
    connect(m_textEdit, &ComposerTextEdit::filesOffered, this, &ComposerView::attach);
    connect(m_textEdit, &ComposerTextEdit::removeLastAttachmentRequested, m_tray,
            &AttachmentTray::removeLast);
    connect(m_attach, &QToolButton::clicked, this, [this] {
        m_tray->chooseFiles(this);
        focusTextField();
    });
    connect(m_tray, &AttachmentTray::pendingChanged, this, &ComposerView::updateSendStop);
    connect(&controller, &ConversationController::draftAttachmentsChanged, m_tray,
            &AttachmentTray::refresh);

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
    updateSendStop();
}

void ComposerView::attach(const QList<AttachmentLoader::Offered> &files)
{
    m_tray->attach(files);
}

int ComposerView::pendingAttachments() const
{
    return m_tray->pending();
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
    update();
    Q_EMIT composerFocusedChanged(focused);
}

void ComposerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QRectF surface = QRectF(m_surface->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, surface, cornerRadius, dark);
    // A hairline keeps the field apart from a background of nearly the same tone; while the
    // keyboard is in the field, the accent ring says so, more than the caret alone.
    painter.setBrush(Qt::NoBrush);
    if (m_composerFocused) {
        QColor ring = AppColors::named(NamedColor::AskAccent, this);
        ring.setAlphaF(0.8f);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(surface.adjusted(0.25, 0.25, -0.25, -0.25), cornerRadius,
                                cornerRadius);
    } else {
        painter.setPen(QPen(dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 20), 1));
        painter.drawRoundedRect(surface, cornerRadius, cornerRadius);
    }
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
    m_sendStop->setEnabled(loading || m_controller.canSend() || m_tray->pending() > 0);
    if (loading) {
        m_sendStop->setToolTip(tr("Stop (%1)").arg(stopKey().toString(QKeySequence::NativeText)));
        m_sendStop->setAccessibleName(tr("Stop"));
    } else {
        m_sendStop->setToolTip(tr("Send (Return)"));
        m_sendStop->setAccessibleName(tr("Send"));
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
    if (m_controller.isLoading())
        return;
    // A file still being read goes with the question it was attached to.
    m_tray->whenRead([this] { m_controller.sendMessage(); });
}

void ComposerView::stopIfLoading()
{
    if (m_controller.isLoading())
        m_controller.stopStreaming();
}
