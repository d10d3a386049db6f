#include "onboarding/setuplaterdialog.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

SetUpLaterDialog::SetUpLaterDialog(bool dark, QWidget *parent)
    : QMessageBox(parent)
{
    const QString title = u"Set up local LLM later?"_s;
    setWindowTitle(title);
    setIcon(QMessageBox::NoIcon);
    setTextFormat(Qt::PlainText);
    setText(title);
    setInformativeText(u"velm won't be usable until you connect an OpenAI-compatible endpoint."_s);
    setPalette(OnboardingColors::palette(dark));
    setFont(TypeStyles::face(u"Inter18pt-Regular", 13));
    m_continue = addButton(u"Continue without LLM"_s, QMessageBox::AcceptRole);
    m_cancel = addButton(u"Cancel"_s, QMessageBox::RejectRole);
    setDefaultButton(m_continue);
    setEscapeButton(m_cancel);
    setWindowModality(Qt::WindowModal);
    // The question stands out from the explanation under it.
    if (auto *label = findChild<QLabel *>(u"qt_msgbox_label"_s)) {
        label->setFont(TypeStyles::face(u"Inter18pt-SemiBold", 14));
    }
    if (auto *informative = findChild<QLabel *>(u"qt_msgbox_informativelabel"_s)) {
        QPalette p = informative->palette();
        p.setColor(QPalette::WindowText, OnboardingColors::forScheme(dark).secondaryText);
        informative->setPalette(p);
        // Wide enough that the explanation reads as one sentence, not a narrow column.
        informative->setMinimumWidth(320);
    }
    connect(this, &QMessageBox::buttonClicked, this, [this](QAbstractButton *button) {
        if (button == m_continue)
            Q_EMIT continueChosen();
    });
}
