#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;
class QToolButton;

// The framed panel of a fenced code block: the language (or "code") and a copy button
// above the code, which scrolls sideways instead of wrapping. Whether the "Copied!"
// confirmation shows is the message's state, shared by all its code blocks, so the panel
// only asks for a copy and is told when to confirm.
class CodeBlockView : public QWidget
{
    Q_OBJECT

public:
    explicit CodeBlockView(QWidget *parent = nullptr);

    void setCode(const QString &code, const QString &language);
    QString code() const { return m_code; }
    // The text of the language label: the language lower-cased, or "code".
    QString languageLabel() const;

    void setCodeFont(const QFont &font);

    bool isCopied() const { return m_copied; }
    void setCopied(bool copied);
    QToolButton *copyButton() const { return m_copyButton; }
    QLabel *codeLabel() const { return m_codeLabel; }

    static QString labelForLanguage(const QString &language);

Q_SIGNALS:
    void copyRequested(const QString &code);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateColors();
    void updateCopyButton();
    void updateCodeHeight();

    QString m_code;
    QLabel *m_languageLabel;
    QToolButton *m_copyButton;
    QScrollArea *m_scrollArea;
    QLabel *m_codeLabel;
    bool m_copied = false;
};
