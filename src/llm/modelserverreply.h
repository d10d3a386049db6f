#pragma once

#include "llm/localllmerror.h"

#include <QByteArray>

#include <optional>

class QNetworkReply;

// What the head of a model server's reply says, the same for every request to it.
namespace ModelServerReply {

// The failure the status means: a redirect (with where to), or any other status outside
// 2xx. Nothing for a 2xx, and nothing before the head has arrived.
std::optional<LocalLLMError> statusError(const QNetworkReply *reply);

// The media type of the body, lower-cased and without parameters ("text/event-stream");
// empty when the server did not say.
QByteArray mediaType(const QNetworkReply *reply);

// A page for a browser: what web servers, proxies and captive portals put on a port where
// a model server was expected.
bool isWebPage(const QByteArray &mediaType);

} // namespace ModelServerReply
