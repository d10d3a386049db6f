#pragma once

#include "markdown/mdblock.h"

#include <QFont>
#include <QList>
#include <QWidget>

class QVBoxLayout;
struct NativeTextStyle;

// One message's Markdown, block under block: native text with its inline formulas, display
// formulas drawn natively, code in a framed panel with a copy button.
//
// setText() is called for every streamed piece, so it does as little as it can: it parses
// the text again, keeps the widget of every block whose content did not change, updates
// changed blocks in place where they keep their kind (a growing formula keeps its view and
// its last picture until the new one is typeset), and builds widgets only for new blocks.
class MarkdownView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(bool codeCopied READ codeCopied NOTIFY codeCopiedChanged)

public:
    explicit MarkdownView(QWidget *parent = nullptr);
    ~MarkdownView() override;

    QString text() const { return m_text; }
    void setText(const QString &text);

    // The font of native body text; headings, code and math have their own.
    QFont baseFont() const { return m_baseFont; }
    void setBaseFont(const QFont &font);
    // The monospaced family of code panels and inline code (their sizes are fixed).
    QFont codeFont() const { return m_codeFont; }
    void setCodeFont(const QFont &font);

    // Whether the "Copied!" confirmation shows, on every code block of the message.
    bool codeCopied() const { return m_codeCopied; }
    static constexpr int codeCopiedDurationMs = 1500;

    // The blocks of the latest parse and the widget drawing each.
    qsizetype blockCount() const { return m_entries.size(); }
    MDBlock block(qsizetype index) const { return m_entries.at(index).block; }
    QWidget *blockWidget(qsizetype index) const { return m_entries.at(index).widget; }

public Q_SLOTS:
    // Puts `code` on the clipboard as plain text and confirms on all code blocks for 1.5 s.
    void copyCode(const QString &code);

Q_SIGNALS:
    void codeCopiedChanged(bool copied);

protected:
    void changeEvent(QEvent *event) override;

private:
    enum class Presentation : quint8 {
        Text,
        Heading,
        Formula,
        Code,
        ListItem,
        Quote,
        Divider,
    };

    struct Entry
    {
        MDBlock block;
        Presentation presentation = Presentation::Text;
        QWidget *widget = nullptr;
    };

    static Presentation presentationOf(const MDBlock &block);
    QWidget *createWidget(const MDBlock &block, Presentation presentation);
    void updateWidget(const Entry &entry, const MDBlock &block);
    QWidget *createContent(const MDBlock &block, bool secondary);
    void updateContent(QWidget *content, const MDBlock &block, bool secondary);
    QFont headingFont(int level) const;
    NativeTextStyle nativeStyle() const;
    void restyle();
    void setCodeCopied(bool copied);

    QVBoxLayout *m_layout;
    QString m_text;
    QList<Entry> m_entries;
    QFont m_baseFont;
    QFont m_codeFont;
    bool m_codeCopied = false;
};
