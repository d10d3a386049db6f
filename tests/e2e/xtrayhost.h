#pragma once

#include <QObject>
#include <QString>

#include <xcb/xcb.h>

class QSocketNotifier;

// The system tray of a virtual X display, as far as an application can tell one is there:
// the owner of the screen's "_NET_SYSTEM_TRAY_S<n>" selection, announced with the MANAGER
// message. Requests to dock an icon are read and left unanswered, so the icons never map
// and nothing of the tray shows on the screen. The tray is gone when this object is.
class XTrayHost : public QObject
{
    Q_OBJECT

public:
    explicit XTrayHost(QObject *parent = nullptr);
    ~XTrayHost() override;

    // Takes the selection on `display` (":95"); false when the display cannot be reached or
    // another tray holds it.
    bool start(const QString &display);
    // How many icons asked to be docked so far.
    int dockRequests() const { return m_dockRequests; }

private:
    xcb_atom_t atom(const char *name) const;
    void readEvents();

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_window = 0;
    xcb_atom_t m_opcode = 0;
    QSocketNotifier *m_notifier = nullptr;
    int m_dockRequests = 0;
};
