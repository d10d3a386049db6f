#pragma once

#include "llm/localllmerror.h"

#include <optional>

class QNetworkReply;

// What the head of a model server's reply says, the same for every request to it.
namespace ModelServerReply {

// The failure the status means: a redirect (with where to), or any other status outside
// 2xx. Nothing for a 2xx, and nothing before the head has arrived.
std::optional<LocalLLMError> statusError(const QNetworkReply *reply);

} // namespace ModelServerReply
