#pragma once

#include <QByteArray>
#include <QUrl>
#include <QtGlobal>

#include <QCoroTask>

// A dead local server should cost a quarter of a second, not the 60-second request timeout:
// before talking to a server on this machine we check that something listens on its port.
// Servers elsewhere are never probed; their failures come from the request itself.

// Whether `url` names this machine ("localhost", "127.0.0.1", "::1", any case).
bool isLoopbackURL(const QUrl &url);

// Blocking TCP connect to the URL's host and port (explicit, else 80 for http and 443 for
// https, else none), trying each resolved address for at most `timeoutMilliseconds`. No
// data is sent. True when one address accepted the connection.
bool connectTest(const QUrl &url, int timeoutMilliseconds);
bool connectTest(const QByteArray &host, quint16 port, int timeoutMilliseconds);

// False means unreachable: a loopback server with nothing listening. Non-loopback URLs
// succeed at once. The blocking connect runs on the global thread pool; the result is
// delivered on the calling thread.
QCoro::Task<bool> probeEndpoint(QUrl url, int timeoutMilliseconds = 250);
