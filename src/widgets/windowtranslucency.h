#pragma once

#include <QString>

#include <optional>

// Whether this desktop can show translucent windows. On X11 that takes a compositing
// manager; without one the see-through parts of a window are drawn black.
namespace WindowTranslucency {

// Whether an X11 compositing manager runs on any screen of the display; nothing when the
// application does not run on X11.
std::optional<bool> x11CompositingManager();

// The rule: X11 needs a compositing manager (an unknown answer counts as none); other
// platforms compose windows themselves.
bool availableFor(const QString &platformName, std::optional<bool> compositing);

// For the running application; asked once.
bool available();

} // namespace WindowTranslucency
