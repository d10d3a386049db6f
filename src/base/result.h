#pragma once

#include <optional>
#include <utility>
#include <variant>

// The outcome of an operation that can fail: a value or the error that prevented it.
// Implicitly made from either, so a function or coroutine can `return value;` or
// `co_return error;`.
template<typename T, typename E>
class Result
{
public:
    Result(T value)
        : m_data(std::in_place_index<0>, std::move(value))
    { }
    Result(E error)
        : m_data(std::in_place_index<1>, std::move(error))
    { }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    T &value() & { return std::get<0>(m_data); }
    const T &value() const & { return std::get<0>(m_data); }
    T &&value() && { return std::get<0>(std::move(m_data)); }
    T value_or(T fallback) const & { return ok() ? value() : std::move(fallback); }

    // Only valid when !ok().
    const E &error() const { return std::get<1>(m_data); }

private:
    std::variant<T, E> m_data;
};

template<typename E>
class Result<void, E>
{
public:
    Result() = default;
    Result(E error)
        : m_error(std::move(error))
    { }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    // Only valid when !ok().
    const E &error() const { return *m_error; }

private:
    std::optional<E> m_error;
};
