#pragma once

#include <QString>
#include <QUrl>

// Turns what the user typed as the server address ("localhost:1234", "http://host:1234/",
// "http://host:1234/v1") into the text of the base URL of the OpenAI-compatible interface,
// which always ends in "/v1".
QString normalizeServerAddress(const QString &address);

// `base` with `relativePath` appended as path components ("models" → …/v1/models).
QUrl endpointURL(const QUrl &base, const QString &relativePath);
