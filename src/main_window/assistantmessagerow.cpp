#include "main_window/assistantmessagerow.h"

#include "main_window/answercaption.h"
#include "main_window/answerversionswitcher.h"
#include "main_window/copybutton.h"
#include "main_window/messageactionbutton.h"
#include "main_window/messagelistrows.h"
#include "main_window/sourcesrow.h"
#include "main_window/thinkingrow.h"
#include "main_window/thoughtrow.h"
#include "markdown/view/markdownview.h"
#include "widgets/announcer.h"
#include "widgets/typestyles.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AssistantMessageRow::AssistantMessageRow(QWidget *parent)
    : MessageRow(parent)
    , m_layout(new QVBoxLayout(this))
    , m_thought(new ThoughtRow(this))
    , m_markdown(new MarkdownView(this))
    , m_sourcesFrame(new QWidget(this))
    , m_footer(new QWidget(this))
    , m_versions(new AnswerVersionSwitcher(m_footer))
    , m_regenerate(new MessageActionButton(u"arrow.clockwise"_s, tr("Regenerate"), m_footer))
    , m_caption(new AnswerCaption(m_footer))
{
    m_layout->setContentsMargins(0, verticalPadding, 0, verticalPadding);
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignTop);

    m_thought->hide();
    m_layout->addWidget(m_thought);

    m_markdown->setBaseFont(TypeStyles::font(TypeStyle::Body));
    m_markdown->setCodeFont(TypeStyles::monospace(TypeStyles::size(TypeStyle::Body)));
    m_layout->addWidget(m_markdown);

    auto *sourcesLayout = new QVBoxLayout(m_sourcesFrame);
    sourcesLayout->setContentsMargins(0, sourcesSpacing, 0, 0);
    m_sourcesFrame->hide();
    m_layout->addWidget(m_sourcesFrame);

    auto *footerLayout = new QHBoxLayout(m_footer);
    footerLayout->setContentsMargins(0, copyButtonSpacing, 0, 0);
    footerLayout->addWidget(m_copyButton);
    footerLayout->addWidget(m_versions);
    footerLayout->addWidget(m_regenerate);
    footerLayout->addStretch();
    footerLayout->addWidget(m_caption, 0, Qt::AlignVCenter);
    m_versions->hide();
    m_regenerate->hide();
    m_regenerate->setToolTip(tr("Regenerate (Ctrl+Shift+R)"));
    connect(m_regenerate, &QAbstractButton::clicked, this, &MessageRow::regenerateRequested);
    connect(m_versions, &AnswerVersionSwitcher::versionRequested, this,
            [this](qsizetype index) { Q_EMIT versionRequested(message().id, index); });
    m_footer->hide();
    m_layout->addWidget(m_footer);
}

void AssistantMessageRow::setShowsThought(bool shows)
{
    if (shows == m_showsThought)
        return;
    m_showsThought = shows;
    showState(false);
}

void AssistantMessageRow::showState(bool textChanged)
{
    const ChatMessage &shown = message();
    const bool hasThought = m_showsThought && !shown.reasoning.isEmpty();
    // Thinking until the answer's first piece, which comes with the thought's time.
    const bool thinking = isStreaming() && shown.text.isEmpty() && !shown.thinkingSeconds;
    if (hasThought)
        m_thought->setThought(shown.reasoning, shown.thinkingSeconds, thinking);
    // Said once, as the model starts to think: the thought's text streams silently.
    if (thinking && !shown.reasoning.isEmpty() && !m_announcedThinking) {
        m_announcedThinking = true;
        Announcer::announce(this, tr("Thinking"));
    }
    m_thought->setVisible(hasThought);
    // With thoughts hidden, a model that thinks still shows that it is at work, not a
    // cursor standing still for a minute.
    const bool waiting = !m_showsThought && thinking && !shown.reasoning.isEmpty();
    if (waiting && !m_waiting) {
        m_waiting = new ThinkingRow(this);
        m_waiting->setAccessibleName(tr("Thinking"));
        m_layout->insertWidget(0, m_waiting);
    }
    if (m_waiting)
        m_waiting->setVisible(waiting);
    if (textChanged) {
        m_markdown->setText(MessageListRows::displayedText(shown.text, isStreaming()));
        // The list measures the row right away; the view's new height must count already.
        m_markdown->updateGeometry();
    }
    // No empty answer under a thought that was stopped, nor a lone cursor under the thought
    // that streams.
    m_markdown->setVisible(!shown.text.isEmpty()
                           || (isStreaming() && !waiting && !(hasThought && m_thought->isLive())));
    showSources();
    m_versions->setVersions(shown.chosenVersion, shown.versions.size());
    m_versions->setVisible(shown.versions.size() > 1);
    m_footer->setVisible((!shown.text.isEmpty() || shown.versions.size() > 1) && !isStreaming());
    m_caption->showMessage(shown);
}

void AssistantMessageRow::showActions()
{
    m_regenerate->setVisible(actions().isLastAnswer);
    m_regenerate->setEnabled(actions().canChange);
}

void AssistantMessageRow::showSources()
{
    const QList<SearchResult> sources = message().sources.value_or(QList<SearchResult>());
    if (sources == m_shownSources)
        return;
    m_shownSources = sources;
    delete m_sources;
    m_sources = sources.isEmpty() ? nullptr : createSourcesRow(sources, m_sourcesFrame);
    if (m_sources)
        m_sourcesFrame->layout()->addWidget(m_sources);
    m_sourcesFrame->setVisible(m_sources != nullptr);
}

QWidget *AssistantMessageRow::createSourcesRow(const QList<SearchResult> &sources, QWidget *parent)
{
    return new SourcesRow(sources, parent);
}
