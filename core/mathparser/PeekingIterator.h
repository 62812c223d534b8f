#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace kestrom {

// An iterator that can look one element ahead. Elements read ahead wait in a
// buffer and are handed out by next() before the wrapped source is read again.
template <typename Element> class PeekingIterator {
public:
    using Generator = std::function<std::optional<Element>()>;

    explicit PeekingIterator(Generator generator) : m_generator(std::move(generator)) {}
    explicit PeekingIterator(std::vector<Element> elements)
        : m_generator([elements = std::move(elements),
                       index = size_t(0)]() mutable -> std::optional<Element> {
              if (index >= elements.size()) {
                  return std::nullopt;
              }
              return elements[index++];
          }) {}

    std::optional<Element> next() {
        if (!m_peekBuffer.empty()) {
            Element element = std::move(m_peekBuffer.front());
            m_peekBuffer.pop_front();
            return element;
        }
        return m_generator();
    }

    // The next element without consuming it; none when the source is exhausted.
    const Element* peek() {
        if (m_peekBuffer.empty()) {
            if (std::optional<Element> element = m_generator()) {
                m_peekBuffer.push_back(std::move(*element));
            } else {
                return nullptr;
            }
        }
        return &m_peekBuffer.front();
    }

private:
    Generator m_generator;
    std::deque<Element> m_peekBuffer;
};

} // namespace kestrom
