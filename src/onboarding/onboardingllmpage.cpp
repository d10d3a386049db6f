#include "onboarding/onboardingllmpage.h"

#include "onboarding/inktextfield.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/providerchip.h"
#include "onboarding/statusbadge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OnboardingLlmPage::OnboardingLlmPage(OnboardingModel &model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Llm, model, parent)
    , m_field(new InkTextField(llmProviderDefaultAddress(LLMProvider::LmStudio), true, this))
    , m_badge(new StatusBadge(this))
{
    m_field->setObjectName(u"llmAddressField"_s);
    m_field->setFieldName(tr("Endpoint URL"));
    QVBoxLayout *layout = contentLayout();
    layout->addWidget(makeCaption(tr("Provider")));
    layout->addSpacing(8);
    auto *chips = new QHBoxLayout;
    chips->setSpacing(8);
    for (LLMProvider provider : allLLMProviders) {
        auto *chip = new ProviderChip(provider, this);
        chip->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        chips->addWidget(chip, 1);
        m_chips.append(chip);
        connect(chip, &ProviderChip::clicked, this,
                [this, provider] { this->model().selectProvider(provider); });
    }
    layout->addLayout(chips);
    layout->addSpacing(18);
    layout->addWidget(makeCaption(tr("Endpoint URL")));
    layout->addSpacing(8);
    layout->addWidget(m_field);
    layout->addSpacing(10);
    layout->addWidget(m_badge, 0, Qt::AlignLeft);
    layout->addStretch(1);
    connect(m_field, &InkTextField::textEdited, this,
            [this](const QString &text) { this->model().setLlmAddressDraft(text); });
}

void OnboardingLlmPage::refresh()
{
    const OnboardingModel &m = model();
    const std::optional<LLMProvider> provider = m.provider();
    for (ProviderChip *chip : std::as_const(m_chips))
        chip->setSelected(provider == chip->provider());
    m_field->setText(m.llmAddressDraft());
    const std::optional<bool> ok = m.llmOK();
    m_field->setState(
        ok ? std::optional(*ok ? InkTextField::FieldState::Valid : InkTextField::FieldState::Error)
           : std::nullopt);
    m_badge->setState(m.isTestingLLM(), ok, m.llmStatus());
    m_badge->setVisible(m.isTestingLLM() || !m.llmStatus().isEmpty());
}

QWidget *OnboardingLlmPage::focusField() const
{
    return m_field;
}
