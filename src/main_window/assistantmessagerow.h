#pragma once

#include "main_window/messagerow.h"

class MarkdownView;
class QVBoxLayout;

// An answer of the model: the text as Markdown over the full width, the block cursor while
// it streams, the source cards under an answer that used the web, and the copy button once
// there is text and the stream has ended. 4 points above and below.
class AssistantMessageRow : public MessageRow
{
    Q_OBJECT

public:
    explicit AssistantMessageRow(QWidget *parent = nullptr);

    static constexpr int verticalPadding = 4;
    static constexpr int sourcesSpacing = 8;
    static constexpr int copyButtonSpacing = 4;

    MarkdownView *markdownView() const { return m_markdown; }
    // The source cards, when the answer has sources.
    QWidget *sourcesRow() const { return m_sources; }

protected:
    void showState(bool textChanged) override;

private:
    void showSources();
    static QWidget *createSourcesRow(const QList<SearchResult> &sources, QWidget *parent);

    QVBoxLayout *m_layout;
    MarkdownView *m_markdown;
    QWidget *m_sourcesFrame;
    QWidget *m_sources = nullptr;
    QList<SearchResult> m_shownSources;
    QWidget *m_footer;
};
