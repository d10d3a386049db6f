#pragma once

#include "attachments/attachmentloader.h"

#include <QPlainTextEdit>

// The Quick Ask bar's question field: large plain text without a frame or background that
// grows with its text up to four lines. Return asks; Shift+Return starts a new line. Files and
// images dropped or pasted on it are offered as attachments; Backspace in the empty field asks
// to remove the last.
class AskInputField : public QPlainTextEdit
{
    Q_OBJECT

public:
    static constexpr int maximumVisibleLines = 4;

    explicit AskInputField(QWidget *parent = nullptr);

    // Lines the text takes at the current width, wrapped lines counted.
    int visualLineCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // Return was pressed without Shift.
    void submitted();
    void filesOffered(const QList<AttachmentLoader::Offered> &files);
    void removeLastAttachmentRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    int heightForLines(int lines) const;
    void applyColors();

    int m_lastLineCount = 1;
};
