#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class MarkdownView;
class QPlainTextEdit;
class ThoughtToggle;

// A thinking model's thought above its answer (ChatMessage::reasoning). While the model
// thinks it reads "Thinking…" over the thought as it streams in: plain text, smaller and in
// the secondary colour, at most six lines tall, following its newest line and scrolling on
// its own. Once the answer begins it folds into its summary ("Thought for 12 seconds"), which
// opens the whole thought as Markdown and closes it again.
//
// The live text only ever grows by what arrived since the last pulse, and the Markdown is
// made only when the finished thought is first opened: a thought of thousands of pieces costs
// the stream no more than its answer does.
class ThoughtRow : public QWidget
{
    Q_OBJECT

public:
    explicit ThoughtRow(QWidget *parent = nullptr);

    static constexpr int maximumLiveLines = 6;
    // The space from the header's edge to the thought under it, past the rule that holds
    // them together.
    static constexpr int bodyIndent = 18;
    // What the folded row takes when it is estimated rather than measured.
    static constexpr int foldedHeight = 28;

    // The folded row's label: "Thought for 12 seconds", "Thought for 1 second", "Thought for
    // 1 min 20 s"; whole seconds, at least one. Just "Thought" when the time is not known.
    static QString summary(std::optional<double> seconds);
    // The same with its units spelt out, for a screen reader: "Thought for 1 minute 20
    // seconds".
    static QString spokenSummary(std::optional<double> seconds);

    // Shows `reasoning`, thought for `seconds`; `live` while the model still thinks. Called
    // on every pulse of the stream.
    void setThought(const QString &reasoning, std::optional<double> seconds, bool live);

    bool isLive() const { return m_live; }
    bool isExpanded() const;
    void setExpanded(bool expanded);

    ThoughtToggle *toggle() const { return m_toggle; }
    // The text that streams while the model thinks.
    QPlainTextEdit *liveView() const { return m_liveView; }
    // The whole thought as Markdown; null until it is first opened.
    MarkdownView *fullView() const { return m_fullView; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showLiveText(const QString &reasoning);
    void fitLiveView();
    void scheduleFit();
    void followNewestLine();
    void showFullText();
    void showBody();
    void applyColors();

    ThoughtToggle *m_toggle;
    QWidget *m_body;
    QPlainTextEdit *m_liveView;
    MarkdownView *m_fullView = nullptr;
    QString m_reasoning;
    // The thought as the live view last took it in, to tell what is new at the next pulse.
    QString m_liveSource;
    bool m_live = false;
    // The live view keeps to its newest line until the user scrolls up, and again once they
    // scroll back down.
    bool m_followsNewest = true;
    bool m_following = false;
};
