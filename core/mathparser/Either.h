#pragma once

#include <utility>
#include <variant>

namespace kestrom {

// A value of one of two types: the payload of a success or of a failure.
template <typename Value, typename Error> class Either {
public:
    Either(Value value) : m_content(std::in_place_index<0>, std::move(value)) {}
    Either(Error error) : m_content(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_content.index() == 0; }
    const Value& value() const { return std::get<0>(m_content); }
    const Error& error() const { return std::get<1>(m_content); }

private:
    std::variant<Value, Error> m_content;
};

} // namespace kestrom
