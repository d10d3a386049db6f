#include "onboarding/onboardingsearchpage.h"

#include "onboarding/inktextfield.h"
#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/statusbadge.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int hintSymbolSize = 12;

} // namespace

OnboardingSearchPage::OnboardingSearchPage(OnboardingModel &model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Search, model, parent)
    , m_field(new InkTextField(u"http://localhost:8080"_s, true, this))
    , m_badge(new StatusBadge(this))
    , m_hintSymbol(new QLabel(this))
    , m_hint(new QLabel(tr("Needs JSON output enabled (format=json)"), this))
{
    m_field->setObjectName(u"searxngField"_s);
    m_field->setFieldName(tr("SearXNG URL"));
    m_hint->setTextFormat(Qt::PlainText);
    m_hint->setFont(TypeStyles::face(u"Inter18pt-Regular", 12));
    m_hintSymbol->setFixedSize(hintSymbolSize, hintSymbolSize);

    QVBoxLayout *layout = contentLayout();
    layout->addWidget(makeCaption(tr("SearXNG URL")));
    layout->addSpacing(8);
    layout->addWidget(m_field);
    layout->addSpacing(9);
    auto *hintRow = new QHBoxLayout;
    hintRow->setSpacing(6);
    hintRow->addWidget(m_hintSymbol);
    hintRow->addWidget(m_hint, 1);
    layout->addLayout(hintRow);
    layout->addSpacing(12);
    layout->addWidget(m_badge, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(m_field, &InkTextField::textEdited, this,
            [this](const QString &text) { this->model().setSearxngDraft(text); });
    drawHintSymbol();
}

void OnboardingSearchPage::refresh()
{
    const OnboardingModel &m = model();
    m_field->setText(m.searxngDraft());
    const std::optional<bool> ok = m.searchOK();
    m_field->setState(
        ok ? std::optional(*ok ? InkTextField::FieldState::Valid : InkTextField::FieldState::Error)
           : std::nullopt);
    m_badge->setState(m.isTestingSearch(), ok, m.searchStatus());
    m_badge->setVisible(m.isTestingSearch() || !m.searchStatus().isEmpty());
}

QWidget *OnboardingSearchPage::focusField() const
{
    return m_field;
}

void OnboardingSearchPage::changeEvent(QEvent *event)
{
    OnboardingPage::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        drawHintSymbol();
}

void OnboardingSearchPage::drawHintSymbol()
{
    const QColor muted = OnboardingColors::of(this).mutedText;
    m_hintSymbol->setPixmap(Symbols::pixmap(u"info.circle", hintSymbolSize, muted,
                                            devicePixelRatioF(), Symbols::Weight::Medium));
    QPalette p = m_hint->palette();
    p.setColor(QPalette::WindowText, muted);
    m_hint->setPalette(p);
}
