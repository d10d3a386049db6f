#include "settings/archivedchatrow.h"

#include "settings/settingsbutton.h"
#include "widgets/appcolors.h"
#include "widgets/plaintext.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int trashSize = 14;

QPushButton *borderlessButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(TypeStyles::font(TypeStyle::Label));
    button->setFocusPolicy(Qt::TabFocus);
    // Borderless: only the label and a little room to hit it.
    const int width = button->fontMetrics().horizontalAdvance(text) + (text.isEmpty() ? 26 : 14);
    button->setFixedSize(width, 26);
    PressableButtonStyle::apply(button, 0.94, 0.85);
    return button;
}

// The titles of chats come from what the user typed: one line, elided, never markup.
class ElidedLabel : public QLabel
{
public:
    ElidedLabel(const QString &text, QWidget *parent)
        : QLabel(parent)
        , m_full(text)
    {
        setTextFormat(Qt::PlainText);
        setMinimumWidth(40);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setToolTip(PlainText::toolTip(text));
        QLabel::setText(text);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::setText(fontMetrics().elidedText(m_full, Qt::ElideRight, width()));
        QLabel::resizeEvent(event);
    }

private:
    QString m_full;
};

} // namespace

ArchivedChatRow::ArchivedChatRow(const ChatSession &session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    // A title is one line even when the first message was several.
    QString title = session.title();
    title.replace(u'\n', u' ');
    m_title = new ElidedLabel(title, this);
    m_title->setFont(TypeStyles::font(TypeStyle::BodyMedium));
    m_date = new QLabel(dateText(session.updatedAt), this);
    m_date->setTextFormat(Qt::PlainText);
    m_date->setFont(TypeStyles::font(TypeStyle::Caption));

    m_open = borderlessButton(tr("Open"), this);
    m_restore = borderlessButton(tr("Restore"), this);
    m_delete = borderlessButton(QString(), this);
    m_delete->setToolTip(tr("Delete permanently"));
    m_delete->setAccessibleName(tr("Delete permanently"));
    m_delete->setIconSize(QSize(trashSize, trashSize));
    // Every row has the same three buttons: a screen reader hears which chat each acts on.
    for (QAbstractButton *button : {m_open, m_restore, m_delete})
        button->setAccessibleDescription(title);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(m_title);
    texts->addWidget(m_date);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(texts, 1);
    layout->addSpacing(8);
    layout->addWidget(m_open);
    layout->addWidget(m_restore);
    layout->addWidget(m_delete);

    const QUuid id = session.id;
    connect(m_open, &QPushButton::clicked, this, [this, id] { Q_EMIT openRequested(id); });
    connect(m_restore, &QPushButton::clicked, this, [this, id] { Q_EMIT restoreRequested(id); });
    connect(m_delete, &QPushButton::clicked, this, [this, id] { Q_EMIT deleteRequested(id); });
    restyle();
}

QString ArchivedChatRow::dateText(const QDateTime &date, const QLocale &locale)
{
    if (!date.isValid())
        return {};
    // Qt has no abbreviated date style: the long one without its weekday and with the short
    // month name comes closest, and keeps the locale's order of day, month and year.
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.remove(u"dddd"_s);
    format.replace(u"MMMM"_s, u"MMM"_s);
    while (!format.isEmpty() && (format.front().isSpace() || format.front() == u','))
        format.remove(0, 1);
    while (!format.isEmpty() && (format.back().isSpace() || format.back() == u','))
        format.chop(1);
    // A short time has no seconds, also where the locale's short format has them ("C").
    static const QRegularExpression seconds(u"[:.]ss"_s);
    const QString timeFormat = locale.timeFormat(QLocale::ShortFormat).remove(seconds);
    const QDateTime local = date.toLocalTime();
    return u"%1, %2"_s.arg(locale.toString(local.date(), format),
                           locale.toString(local.time(), timeFormat));
}

void ArchivedChatRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

void ArchivedChatRow::restyle()
{
    const bool dark = AppColors::isDark(this);
    QPalette secondary = m_date->palette();
    secondary.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_date->setPalette(secondary);

    const QColor accent = AppColors::named(NamedColor::AskAccent, dark);
    for (QPushButton *button : {m_open, m_restore}) {
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::ButtonText, accent);
        button->setPalette(buttonPalette);
    }
    m_delete->setIcon(
        Symbols::icon(u"trash", SettingsButton::destructiveColor(dark), Symbols::Weight::Medium));
}
