#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Turns what the user typed as the server address ("localhost:1234", "http://host:1234/",
// "http://host:1234/v1") into the text of the base URL of the OpenAI-compatible interface,
// which always ends in "/v1".
QString normalizeServerAddress(const QString &address);

// Why `address` cannot be the server address, in words for the user ("the address has no
// host"); nullopt when it names an http or https server with a host and, if any, a port
// from 1 to 65535. Its normalised form is then a valid URL.
std::optional<QString> serverAddressProblem(const QString &address);

// `base` with `relativePath` appended as path components ("models" → …/v1/models).
QUrl endpointURL(const QUrl &base, const QString &relativePath);
