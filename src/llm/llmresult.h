#pragma once

#include "base/result.h"
#include "llm/localllmerror.h"

// The outcome of a model-server operation: a value or the error that prevented it.
template<typename T>
using LLMResult = Result<T, LocalLLMError>;
