#pragma once

#include "llm/localllmerror.h"

#include <optional>
#include <utility>
#include <variant>

// The outcome of a model-server operation: a value or the error that prevented it.
// Implicitly made from either, so a coroutine can `co_return ids;` or `co_return error;`.
template<typename T>
class LLMResult
{
public:
    LLMResult(T value)
        : m_data(std::in_place_index<0>, std::move(value))
    { }
    LLMResult(LocalLLMError error)
        : m_data(std::in_place_index<1>, std::move(error))
    { }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    T &value() & { return std::get<0>(m_data); }
    const T &value() const & { return std::get<0>(m_data); }
    T &&value() && { return std::get<0>(std::move(m_data)); }

    // Only valid when !ok().
    const LocalLLMError &error() const { return std::get<1>(m_data); }

private:
    std::variant<T, LocalLLMError> m_data;
};

template<>
class LLMResult<void>
{
public:
    LLMResult() = default;
    LLMResult(LocalLLMError error)
        : m_error(std::move(error))
    { }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only valid when !ok().
    const LocalLLMError &error() const { return *m_error; }

private:
    std::optional<LocalLLMError> m_error;
};
