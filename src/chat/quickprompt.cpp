#include "chat/quickprompt.h"

#include <QRandomGenerator>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype displayedCount = 4;

struct Row
{
    QStringView icon;
    QStringView label;
    QStringView detail;
    QStringView prompt;
};

constexpr Row rows[] = {
    {u"lightbulb", u"Explain a concept", u"Make a complex idea click.",
     u"Explain how transformers work in machine learning"},
    {u"text.alignleft", u"Summarize", u"Extract what actually matters.",
     u"Summarize the key ideas behind the Zettelkasten note-taking method"},
    {u"pencil", u"Write or edit", u"Draft, refine, or find the right words.",
     u"Help me write a cover letter for a software engineering role"},
    {u"chevron.left.forwardslash.chevron.right", u"Write code",
     u"Generate, debug, or talk through logic.",
     u"Write a Python function that checks whether a string is a palindrome"},
    {u"sparkles", u"Brainstorm ideas", u"Generate directions worth exploring.",
     u"Brainstorm 20 distinctive ideas for a personal productivity app"},
    {u"list.bullet.rectangle", u"Make a plan", u"Turn a fuzzy goal into next steps.",
     u"Make a practical plan for learning SwiftUI over the next 30 days"},
    {u"doc.text.magnifyingglass", u"Review writing", u"Find weak spots and tighten the draft.",
     u"Review this writing for clarity, tone, and structure"},
    {u"envelope", u"Draft an email", u"Write something clear and polished.",
     u"Draft a friendly follow-up email after a product demo"},
    {u"wand.and.stars", u"Improve a prompt", u"Make instructions sharper and easier to use.",
     u"Rewrite this prompt so it gets more specific and useful answers"},
    {u"magnifyingglass", u"Research a topic", u"Map the basics before going deep.",
     u"Give me a beginner-friendly overview of passkeys and how they work"},
    {u"chart.bar.xaxis", u"Compare options", u"Lay out tradeoffs without the noise.",
     u"Compare SQLite, PostgreSQL, and DuckDB for a local-first app"},
    {u"questionmark.bubble", u"Ask better questions", u"Prepare for a meeting or interview.",
     u"Give me thoughtful questions to ask in a design review"},
    {u"checklist", u"Create a checklist", u"Capture what needs to be verified.",
     u"Create a launch checklist for a small macOS app"},
    {u"terminal", u"Explain an error", u"Decode what failed and what to try.",
     u"Explain this error message and suggest likely fixes"},
    {u"paintpalette", u"Name a style", u"Find language for a visual direction.",
     u"Describe a calm, premium visual style for a writing app"},
    {u"person.2", u"Role-play", u"Practice a conversation safely.",
     u"Role-play as a skeptical customer while I pitch my app idea"},
    {u"calendar", u"Schedule work", u"Fit tasks into real time.",
     u"Help me schedule a focused weekend for finishing a side project"},
    {u"book.closed", u"Study notes", u"Turn material into something memorable.",
     u"Create study notes and quiz questions from this topic"},
    {u"arrow.triangle.branch", u"Map decisions", u"See choices and consequences.",
     u"Build a decision tree for choosing a backend architecture"},
    {u"hammer", u"Debug a feature", u"Reason through broken behavior.",
     u"Help me debug why a SwiftUI view is not updating"},
    {u"doc.badge.gearshape", u"Write a brief", u"Define behavior before building.",
     u"Write a concise product brief for saved searches in a chat app"},
    {u"rectangle.3.group", u"Design a UI", u"Sketch states and interactions.",
     u"Design the key screens for a simple habit tracking app"},
    {u"quote.bubble", u"Change the tone", u"Make text sound more like you.",
     u"Rewrite this message to sound warm, direct, and confident"},
    {u"number", u"Estimate effort", u"Break down scope and rough size.",
     u"Estimate the engineering effort for adding offline sync"},
    {u"doc.on.doc", u"Extract action items", u"Pull tasks from messy notes.",
     u"Extract action items, owners, and deadlines from these meeting notes"},
    {u"graduationcap", u"Teach me", u"Learn through examples and analogy.",
     u"Teach me dependency injection using a simple Swift example"},
    {u"shield.lefthalf.filled", u"Find risks", u"Spot what could go wrong.",
     u"Identify product, engineering, and user risks in this idea"},
    {u"square.and.pencil", u"Outline a post", u"Shape a draft before writing.",
     u"Outline a blog post about building a calmer AI assistant"},
    {u"line.3.horizontal.decrease.circle", u"Simplify", u"Make complex text easier to understand.",
     u"Simplify this explanation for a non-technical audience"},
    {u"cpu", u"Explain code", u"Walk through logic line by line.",
     u"Explain what this code does and where it might fail"},
    {u"shippingbox", u"Package an idea", u"Turn raw thoughts into a pitch.",
     u"Turn this rough idea into a one-paragraph product pitch"},
    {u"slider.horizontal.3", u"Tune UX copy", u"Make interface text precise.",
     u"Improve these button labels and empty states for a notes app"},
    {u"waveform.path.ecg", u"Stress test", u"Pressure-check an assumption.",
     u"Stress test my assumption that users want more customization"},
    {u"arrow.left.arrow.right", u"Translate intent", u"Move between audiences or formats.",
     u"Translate this technical explanation into executive-friendly language"},
};

} // namespace

const QList<QuickPrompt> &QuickPrompt::all()
{
    static const QList<QuickPrompt> table = [] {
        QList<QuickPrompt> list;
        list.reserve(std::size(rows));
        for (const Row &row : rows)
            list.append({QUuid::createUuid(), row.icon.toString(), row.label.toString(),
                         row.detail.toString(), row.prompt.toString()});
        return list;
    }();
    return table;
}

QList<QuickPrompt> QuickPrompt::randomSelection(QList<QuickPrompt> table, qsizetype count,
                                                QRandomGenerator &random)
{
    // Fisher–Yates: every order is equally likely, so every subset of `count` is too.
    for (qsizetype i = table.size() - 1; i > 0; --i) {
        const auto j = qsizetype(random.bounded(quint64(i) + 1));
        std::swap(table[i], table[j]);
    }
    if (count >= 0 && table.size() > count)
        table.resize(count);
    return table;
}

QList<QuickPrompt> QuickPrompt::randomSelection()
{
    return randomSelection(all(), displayedCount, *QRandomGenerator::system());
}
