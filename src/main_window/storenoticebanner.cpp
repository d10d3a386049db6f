#include "main_window/storenoticebanner.h"

#include "base/appidentity.h"
#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 16;
constexpr qreal cornerRadius = 10;

// The orange of warnings, readable on both schemes.
QColor warningColor(bool dark)
{
    return dark ? QColor(255, 159, 10) : QColor(201, 108, 0);
}

QPushButton *makeButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(TypeStyles::font(TypeStyle::Label));
    PressableButtonStyle::apply(button, 0.94, 0.85);
    return button;
}

} // namespace

StoreNoticeBanner::StoreNoticeBanner(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_title(new QLabel(this))
    , m_text(new QLabel(this))
    , m_retry(makeButton(tr("Try Again"), this))
    , m_help(makeButton(tr("Get Help"), this))
    , m_dismiss(makeButton(tr("Dismiss"), this))
{
    setObjectName(u"storeNoticeBanner"_s);
    setAccessibleName(tr("Chat storage notice"));
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(16, 10, 12, 10);
    outer->setSpacing(10);
    outer->addWidget(m_symbol, 0, Qt::AlignTop);

    auto *words = new QVBoxLayout;
    words->setSpacing(2);
    words->addWidget(m_title);
    words->addWidget(m_text);
    outer->addLayout(words, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(m_retry);
    buttons->addWidget(m_help);
    buttons->addWidget(m_dismiss);
    outer->addLayout(buttons);

    m_symbol->setFixedSize(symbolSize, symbolSize);
    m_symbol->setAccessibleName(tr("Warning"));
    // Paths and system messages are shown as they are, never read as markup, and can be
    // selected to be copied.
    for (QLabel *label : {m_title, m_text}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_title->setFont(TypeStyles::font(TypeStyle::BodyMedium));
    m_text->setFont(TypeStyles::font(TypeStyle::Caption));
    m_retry->setAccessibleDescription(tr("Read the stored chats again"));
    m_help->setAccessibleDescription(tr("Open velm's issue tracker in the browser"));
    m_dismiss->setAccessibleDescription(tr("Hide this notice"));

    connect(m_retry, &QPushButton::clicked, this, &StoreNoticeBanner::retryRequested);
    connect(m_dismiss, &QPushButton::clicked, this, &StoreNoticeBanner::dismissRequested);
    connect(m_help, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(AppIdentity::bugTrackerUrl)); });
    restyle();
    hide();
}

void StoreNoticeBanner::setNotice(const StoreNotice &notice)
{
    if (notice.kind == StoreNotice::Kind::None) {
        hide();
        return;
    }
    m_title->setText(title(notice));
    m_text->setText(text(notice));
    setAccessibleDescription(m_title->text() + u". "_s + m_text->text());
    // Only a store that is out of reach has something to try again.
    m_retry->setVisible(notice.kind != StoreNotice::Kind::Damaged);
    show();
}

QString StoreNoticeBanner::title(const StoreNotice &notice)
{
    switch (notice.kind) {
    case StoreNotice::Kind::Damaged:
        return tr("Your earlier chats could not be read");
    case StoreNotice::Kind::Unreadable:
        return tr("velm cannot read your chats");
    case StoreNotice::Kind::Unsaved:
        return tr("Your latest change was not saved");
    case StoreNotice::Kind::None:
        break;
    }
    return {};
}

QString StoreNoticeBanner::text(const StoreNotice &notice)
{
    const QString path = QDir::toNativeSeparators(notice.path);
    switch (notice.kind) {
    case StoreNotice::Kind::Damaged:
        //: %1 is where the damaged file is kept
        return tr("The chat file was damaged, so velm started without it. It is kept untouched "
                  "as %1. If you need help getting your chats back, choose Get Help.")
            .arg(path);
    case StoreNotice::Kind::Unreadable:
        //: %1 is the chat file, %2 says why it cannot be opened
        return tr("%1 cannot be opened (%2). Nothing is saved until it can: check the file and "
                  "its folder, then choose Try Again.")
            .arg(path, notice.reason);
    case StoreNotice::Kind::Unsaved:
        //: %1 is the chat file, %2 says why it could not be written
        return tr("It could not be written to %1 (%2). It stays in this window, and velm tries "
                  "again with your next change.")
            .arg(path, notice.reason);
    case StoreNotice::Kind::None:
        break;
    }
    return {};
}

void StoreNoticeBanner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = warningColor(AppColors::isDark(this));
    fill.setAlphaF(0.14);
    QColor stroke = fill;
    stroke.setAlphaF(0.45);
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(8.5, 6.5, -8.5, -2.5), cornerRadius,
                            cornerRadius);
}

void StoreNoticeBanner::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

void StoreNoticeBanner::restyle()
{
    const bool dark = AppColors::isDark(this);
    m_symbol->setPixmap(Symbols::pixmap(u"exclamationmark.triangle.fill", symbolSize,
                                        warningColor(dark), devicePixelRatioF(),
                                        Symbols::Weight::Medium));
    QPalette titlePalette = m_title->palette();
    titlePalette.setColor(QPalette::WindowText, AppColors::primaryText(palette()));
    m_title->setPalette(titlePalette);
    QPalette textPalette = m_text->palette();
    textPalette.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_text->setPalette(textPalette);
    for (QPushButton *button : {m_retry, m_help, m_dismiss}) {
        QPalette buttonPalette = button->palette();
        buttonPalette.setColor(QPalette::ButtonText, AppColors::named(NamedColor::AskAccent, dark));
        button->setPalette(buttonPalette);
    }
}
