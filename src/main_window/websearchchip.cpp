#include "main_window/websearchchip.h"

#include "chat/newchatlabels.h"
#include "chat/settings.h"
#include "search/searchmode.h"
#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

using Mode = WebSearchMode;

struct ModeChoice
{
    Mode mode;
    QString title;
    QString symbol;
};

QList<ModeChoice> choices()
{
    return {
        {Mode::Auto, QCoreApplication::translate("WebSearchChip", "Auto"), u"sparkle"_s},
        {Mode::Always, QCoreApplication::translate("WebSearchChip", "Always"), u"globe"_s},
        {Mode::Never, QCoreApplication::translate("WebSearchChip", "Never"), u"circle.slash"_s}};
}

} // namespace

WebSearchChip::WebSearchChip(Settings &settings, QWidget *parent)
    : ComposerChip(0, parent)
    , m_settings(settings)
{
    buildMenu();
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::webSearchMode)
            updateFromSettings();
    });
    updateFromSettings();
}

void WebSearchChip::buildMenu()
{
    auto *menu = new QMenu(this);
    // A menu is a window of its own; it must still draw in the window's scheme.
    menu->setAttribute(Qt::WA_WindowPropagation);
    menu->addSection(tr("Web Search"));
    m_modes = new QActionGroup(menu);
    m_modes->setExclusive(true);
    for (const ModeChoice &choice : choices()) {
        QAction *action = menu->addAction(choice.title);
        action->setCheckable(true);
        action->setData(QVariant::fromValue(int(choice.mode)));
        action->setProperty("symbol", choice.symbol);
        m_modes->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, mode = choice.mode] { m_settings.setWebSearchMode(mode); });
    }
    setMenu(menu);
}

void WebSearchChip::updateFromSettings()
{
    m_mode = m_settings.webSearchModeChoice();
    const QString label = NewChatLabels::webSearchLabel(m_mode);
    setText(label);
    //: %1 is the web search mode: Auto, Always or Never
    setToolTip(tr("Web search: %1").arg(label));
    setAccessibleName(tr("Web search: %1").arg(label));
    for (QAction *action : m_modes->actions())
        action->setChecked(action->data().toInt() == int(m_mode));
    updateMenuIcons();
    updateGeometry();
    update();
}

void WebSearchChip::updateMenuIcons()
{
    // The chosen mode's symbol in the accent colour marks it more clearly than the style's
    // check frame, which all but vanishes in the dark scheme.
    const QColor color = AppColors::primaryText(palette());
    const QColor accent = AppColors::named(NamedColor::AskAccent, this);
    for (QAction *action : m_modes->actions())
        action->setIcon(Symbols::icon(action->property("symbol").toString(),
                                      action->isChecked() ? accent : color,
                                      Symbols::Weight::Medium));
}

QString WebSearchChip::symbolName() const
{
    return m_mode == Mode::Never ? u"globe.badge.chevron.backward"_s : u"globe"_s;
}

QString WebSearchChip::chipSymbol() const
{
    return symbolName();
}

bool WebSearchChip::isEmphasised() const
{
    return m_mode == Mode::Always;
}

QColor WebSearchChip::chipColor() const
{
    if (m_mode == Mode::Always)
        return AppColors::named(NamedColor::AskAccent, this);
    return AppColors::secondaryText(palette());
}

void WebSearchChip::changeEvent(QEvent *event)
{
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateMenuIcons();
}
