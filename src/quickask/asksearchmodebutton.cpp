#include "quickask/asksearchmodebutton.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "widgets/appcolors.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

struct ModeEntry
{
    QString title;
    QString value;
};

const QList<ModeEntry> &modeEntries()
{
    static const QList<ModeEntry> entries{
        {QCoreApplication::translate("AskSearchModeButton", "Auto"), u"auto"_s},
        {QCoreApplication::translate("AskSearchModeButton", "Always"), u"always"_s},
        {QCoreApplication::translate("AskSearchModeButton", "Never"), u"never"_s},
    };
    return entries;
}

} // namespace

AskSearchModeButton::AskSearchModeButton(Settings &settings, QWidget *parent)
    : AskGlassButton(u"magnifyingglass"_s, 32, 13, Symbols::Weight::Semibold, parent)
    , m_settings(settings)
    , m_menu(new QMenu(this))
    , m_modes(new QActionGroup(this))
{
    m_menu->addSection(tr("Web Search"));
    // Optional, so that an unrecognised stored mode can check nothing.
    m_modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const ModeEntry &entry : modeEntries()) {
        QAction *action = m_menu->addAction(entry.title);
        action->setCheckable(true);
        action->setData(entry.value);
        m_modes->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, value = entry.value] { m_settings.setWebSearchMode(value); });
    }
    connect(this, &QAbstractButton::clicked, this,
            [this] { m_menu->popup(mapToGlobal(QPoint(0, height() + 4))); });
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::webSearchMode)
            updateFromSettings();
    });
    updateFromSettings();
    updateIcons();
}

QString AskSearchModeButton::symbolForMode(const QString &mode)
{
    if (mode == u"always"_s)
        return u"globe"_s;
    if (mode == u"never"_s)
        return u"circle.slash"_s;
    return u"magnifyingglass"_s;
}

void AskSearchModeButton::updateFromSettings()
{
    const QString mode = m_settings.webSearchMode();
    setSymbol(symbolForMode(mode));
    // The mode by the title the menu gives it; a stored value it does not know, as it is.
    QString title = mode;
    for (const ModeEntry &entry : modeEntries()) {
        if (entry.value == mode)
            title = entry.title;
    }
    //: %1 is the mode as the menu names it: Auto, Always or Never
    setToolTip(tr("Web search: %1").arg(title));
    // A symbol alone says nothing to a screen reader.
    setAccessibleName(tr("Web search: %1").arg(title));
    Style style;
    if (mode == u"always"_s)
        style = {Tone::Accent, 1.0, 1.16, 0.16};
    else if (mode == u"never"_s)
        style = {Tone::Secondary, 0.5, 0.86, 0.08};
    else
        style = {Tone::Secondary, 0.72, 0.86, 0.08};
    setStyle(style);
    for (QAction *action : m_modes->actions())
        action->setChecked(action->data().toString() == mode);
}

void AskSearchModeButton::updateIcons()
{
    for (QAction *action : m_modes->actions())
        action->setIcon(Symbols::icon(symbolForMode(action->data().toString()),
                                      AppColors::secondaryText(palette())));
}

void AskSearchModeButton::changeEvent(QEvent *event)
{
    AskGlassButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcons();
}
