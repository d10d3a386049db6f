#pragma once

#include "attachments/attachmentloader.h"

#include <QPlainTextEdit>

// The text field of the composer: plain text, no frame of its own, growing with its text
// from one to `maximumLines` lines and scrolling beyond. Return submits; Shift+Return (or
// Alt+Return) starts a new line. An empty field asks to edit the last question on Up and lets
// Ctrl+Z through to the window (which undoes an edit of a question). Files and images dropped
// or pasted on it are offered as attachments rather than inserted, and Backspace in an empty
// field asks to remove the last of them.
class ComposerTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int maximumLines = 10;

    explicit ComposerTextEdit(QWidget *parent = nullptr);

    // Lines the text takes at the current width, counted up to maximumLines + 1.
    int lineCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void submitted();
    void editLastRequested();
    void filesOffered(const QList<AttachmentLoader::Offered> &files);
    void removeLastAttachmentRequested();
    void focusChanged(bool focused);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int heightForLines(int lines) const;
    void updateHeight();

    int m_shownLines = 1;
};
