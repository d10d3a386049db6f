#pragma once

#include "attachments/attachmentloader.h"

#include <QWidget>

class AttachmentChipRow;
class AttachmentTray;
class ComposerTextEdit;
class QToolButton;
class ConversationController;
class ModelChip;
class SendStopButton;
class Settings;
class UndoNote;
class WebSearchChip;

// The composer at the bottom of the main window: the growing text field bound to the
// controller's draft, the files attached to it as chips above the field (dropped, pasted, or
// chosen with the paperclip; read off the window's thread), the web search and model chips,
// and the send/stop button (Ctrl+. stops). It
// is limited to the content width and centred in whatever holds it; the window moves the one
// composer between the new-chat screen and the conversation.
class ComposerView : public QWidget
{
    Q_OBJECT

public:
    ComposerView(ConversationController &controller, Settings &settings, QWidget *parent = nullptr);

    ComposerTextEdit *textEdit() const { return m_textEdit; }
    WebSearchChip *webSearchChip() const { return m_chip; }
    ModelChip *modelChip() const { return m_modelChip; }
    SendStopButton *sendStopButton() const { return m_sendStop; }
    UndoNote *undoNote() const { return m_undoNote; }
    AttachmentChipRow *attachmentChips() const { return m_attachmentChips; }
    QToolButton *attachButton() const { return m_attach; }

    // Reads the files and attaches each that can be, in the background; a note under the
    // chips tells of those refused.
    void attach(const QList<AttachmentLoader::Offered> &files);
    // Files still being read.
    int pendingAttachments() const;

    // Puts the keyboard focus into the text field.
    void focusTextField();
    // The text field has the keyboard focus, as it last said.
    bool composerFocused() const { return m_composerFocused; }

Q_SIGNALS:
    void composerFocusedChanged(bool focused);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void showDraft();
    void updateSendStop();
    void sendOrStop();
    // Sends the draft, or once the files still being read are attached.
    void send();
    void stopIfLoading();
    void setComposerFocused(bool focused);

    ConversationController &m_controller;
    bool m_composerFocused = false;
    // Holds the field and the bottom row; the glass is drawn behind it by paintEvent.
    QWidget *m_surface = nullptr;
    ComposerTextEdit *m_textEdit = nullptr;
    WebSearchChip *m_chip = nullptr;
    ModelChip *m_modelChip = nullptr;
    SendStopButton *m_sendStop = nullptr;
    UndoNote *m_undoNote = nullptr;
    AttachmentChipRow *m_attachmentChips = nullptr;
    QToolButton *m_attach = nullptr;
    AttachmentTray *m_tray = nullptr;
};
