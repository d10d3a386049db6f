#include "main_window/modelchip.h"

#include "chat/modelchoice.h"
#include "widgets/appcolors.h"
#include "widgets/plaintext.h"

#include <QActionGroup>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// Long ids ("mlx-community/Qwen3-30B-A3B-Instruct-2507-4bit") are cut, the whole id is in
// the tooltip and the menu.
constexpr int maxTextWidth = 180;

// The warning colour of the status labels in the settings.
QColor warningColor(bool dark)
{
    return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xe0, 0x7b, 0x00);
}

} // namespace

ModelChip::ModelChip(ModelChoice &choice, QWidget *parent)
    : ComposerChip(maxTextWidth, parent)
    , m_choice(choice)
    , m_menu(new QMenu(this))
{
    // A menu is a window of its own; it must still draw in the window's scheme.
    m_menu->setAttribute(Qt::WA_WindowPropagation);
    m_menu->setAccessibleName(tr("Model"));
    setMenu(m_menu);
    // The list is fetched anew each time: models are loaded and unloaded on the server
    // while velm runs.
    connect(m_menu, &QMenu::aboutToShow, &m_choice, &ModelChoice::refresh);
    connect(&m_choice, &ModelChoice::changed, this, &ModelChip::showChoice);
    showChoice();
}

void ModelChip::showChoice()
{
    m_warning = m_choice.preferredMissing();
    setText(m_choice.label());
    setToolTip(PlainText::toolTip(m_choice.toolTip()));
    //: %1 is the model's name, or Automatic
    setAccessibleName(tr("Model: %1").arg(m_choice.label()));
    setAccessibleDescription(m_choice.toolTip());
    fillMenu();
    updateGeometry();
    update();
}

void ModelChip::fillMenu()
{
    m_menu->clear();
    m_menu->addSection(tr("Model"));
    auto *group = new QActionGroup(m_menu);
    group->setExclusive(true);
    const QString preferred = m_choice.preferred();
    const auto addChoice = [this, group, &preferred](const QString &title, const QString &id) {
        QAction *action = m_menu->addAction(PlainText::menuText(title));
        action->setCheckable(true);
        action->setChecked(id == preferred);
        group->addAction(action);
        // Queued: the choice fills the menu anew, which deletes the action still emitting.
        connect(
            action, &QAction::triggered, &m_choice, [this, id] { m_choice.choose(id); },
            Qt::QueuedConnection);
        return action;
    };
    addChoice(tr("Automatic"), QString());
    m_menu->addSeparator();
    const auto addNote = [this](const QString &text) {
        m_menu->addAction(PlainText::menuText(text))->setEnabled(false);
    };
    switch (m_choice.listState()) {
    case ModelChoice::ListState::unknown:
    case ModelChoice::ListState::loading:
        addNote(tr("Loading…"));
        break;
    case ModelChoice::ListState::failed:
        addNote(m_choice.listError());
        break;
    case ModelChoice::ListState::loaded:
        for (const QString &id : m_choice.serverModels())
            addChoice(id, id);
        break;
    }
    // Still chosen, so still shown, but it cannot be picked again while it is gone.
    if (m_warning && m_choice.listState() == ModelChoice::ListState::loaded)
        //: %1 is the name of a model the server does not list
        addChoice(tr("%1 (not available)").arg(preferred), preferred)->setEnabled(false);
}

QString ModelChip::chipSymbol() const
{
    return m_warning ? u"exclamationmark.triangle.fill"_s : u"cpu"_s;
}

QColor ModelChip::chipColor() const
{
    if (m_warning)
        return warningColor(AppColors::isDark(this));
    return AppColors::secondaryText(palette());
}
