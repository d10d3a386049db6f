#pragma once

#include <QLatin1String>

// Who velm is to the desktop. The one reverse-DNS id names the desktop file, the icon, the
// AppStream component, the D-Bus and portal registration and the single-instance channel,
// so that they all agree.
namespace AppIdentity {

inline constexpr QLatin1String applicationId{"io.github.velm.Velm"};
inline constexpr QLatin1String applicationName{"velm"};
// Where users report a problem and get help.
inline constexpr QLatin1String bugTrackerUrl{"https://github.com/velm/velm/issues"};

} // namespace AppIdentity
