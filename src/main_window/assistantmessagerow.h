#pragma once

#include "main_window/messagerow.h"

class AnswerCaption;
class AnswerVersionSwitcher;
class MarkdownView;
class MessageActionButton;
class QVBoxLayout;
class ThinkingRow;
class ThoughtRow;

// An answer of the model: the thought that came before it (ThoughtRow) when the model had one
// and the user wants to see it, the text as Markdown over the full width, the block cursor
// while it streams, the source cards under an answer that used the web, and the copy button
// once there is text and the stream has ended, beside the switcher between the versions of an
// answer asked for again, under the last answer "Regenerate", and the model, length and speed
// of the answer (AnswerCaption). 4 points above and below.
class AssistantMessageRow : public MessageRow
{
    Q_OBJECT

public:
    explicit AssistantMessageRow(QWidget *parent = nullptr);

    static constexpr int verticalPadding = 4;
    static constexpr int sourcesSpacing = 8;
    static constexpr int copyButtonSpacing = 4;

    MarkdownView *markdownView() const { return m_markdown; }
    ThoughtRow *thoughtRow() const { return m_thought; }

    // Whether the thought shows; it stays in the message either way.
    bool showsThought() const { return m_showsThought; }
    void setShowsThought(bool shows);
    // The source cards, when the answer has sources.
    QWidget *sourcesRow() const { return m_sources; }
    AnswerVersionSwitcher *versionSwitcher() const { return m_versions; }
    MessageActionButton *regenerateButton() const { return m_regenerate; }
    // The model, length and speed under a finished answer.
    AnswerCaption *caption() const { return m_caption; }

protected:
    void showState(bool textChanged) override;
    void showActions() override;

private:
    void showSources();
    static QWidget *createSourcesRow(const QList<SearchResult> &sources, QWidget *parent);

    QVBoxLayout *m_layout;
    ThoughtRow *m_thought;
    // The pulsing dots, while a thought that is not shown streams; made when first needed.
    ThinkingRow *m_waiting = nullptr;
    MarkdownView *m_markdown;
    QWidget *m_sourcesFrame;
    QWidget *m_sources = nullptr;
    QList<SearchResult> m_shownSources;
    QWidget *m_footer;
    AnswerVersionSwitcher *m_versions;
    MessageActionButton *m_regenerate;
    AnswerCaption *m_caption;
    bool m_showsThought = true;
    bool m_announcedThinking = false;
};
