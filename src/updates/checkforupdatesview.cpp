#include "updates/checkforupdatesview.h"

#include "chat/settings.h"
#include "updates/checkforupdatesviewmodel.h"
#include "updates/directupdater.h"
#include "updates/updatedialog.h"
#include "widgets/systemappearance.h"

using namespace Qt::StringLiterals;

CheckForUpdatesView::CheckForUpdatesView(DirectUpdater *updater, Settings &settings,
                                         SystemAppearance &appearance, QObject *parent)
    : QAction(title(), parent)
    , m_viewModel(new CheckForUpdatesViewModel(updater, this))
    , m_updater(updater)
    , m_settings(settings)
    , m_appearance(appearance)
{
    setObjectName(u"checkForUpdatesAction"_s);
    setMenuRole(QAction::ApplicationSpecificRole);
    setEnabled(m_viewModel->canCheckForUpdates());
    connect(m_viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, this,
            &QAction::setEnabled);
    connect(this, &QAction::triggered, this, &CheckForUpdatesView::checkForUpdates);
}

CheckForUpdatesView::~CheckForUpdatesView() = default;

DirectUpdater *CheckForUpdatesView::updater() const
{
    return m_updater;
}

QString CheckForUpdatesView::title()
{
    // Three full stops rather than an ellipsis character: the command's long-standing name.
    return tr("Check for Updates...");
}

void CheckForUpdatesView::checkForUpdates()
{
    if (!m_updater || !m_viewModel->canCheckForUpdates())
        return;
    // Made on first use: most sessions never check.
    if (!m_dialog)
        m_dialog = std::make_unique<UpdateDialog>(m_updater, m_settings, m_appearance);
    m_updater->checkForUpdates();
}
