#include "onboarding/onboardingnamepage.h"

#include "onboarding/inktextfield.h"
#include "onboarding/onboardingmodel.h"

#include <QVBoxLayout>

using namespace Qt::StringLiterals;

OnboardingNamePage::OnboardingNamePage(OnboardingModel *model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Name, model, parent)
    , m_field(new InkTextField(u"Your name"_s, false, this))
{
    m_field->setObjectName(u"nameField"_s);
    contentLayout()->addWidget(m_field);
    contentLayout()->addStretch(1);
    connect(m_field, &InkTextField::textEdited, this, [this](const QString &text) {
        if (OnboardingModel *m = this->model())
            m->setNameDraft(text);
    });
}

void OnboardingNamePage::refresh()
{
    if (OnboardingModel *m = model())
        m_field->setText(m->nameDraft());
}

QWidget *OnboardingNamePage::focusField() const
{
    return m_field;
}
