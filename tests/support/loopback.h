#pragma once

#include <QString>

namespace Loopback {

// A loopback port on which nothing listens (bound by this process and never listened on, so
// that no other server takes it), so that connecting to it fails at once.
quint16 closedPort();

// "http://127.0.0.1:<closedPort()>".
QString closedAddress();

} // namespace Loopback
