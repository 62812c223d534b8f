#pragma once

#include <cstdint>
#include <initializer_list>

namespace kestrom {

// The resolver's three insertions as a set of flags (the older way of passing
// them; a configuration carries them as separate settings).
class TokenResolverOptions {
public:
    constexpr TokenResolverOptions() = default;
    constexpr explicit TokenResolverOptions(std::uint64_t rawValue) : m_rawValue(rawValue) {}
    constexpr TokenResolverOptions(std::initializer_list<TokenResolverOptions> options) {
        for (TokenResolverOptions option : options) {
            m_rawValue |= option.m_rawValue;
        }
    }

    static constexpr TokenResolverOptions none() { return TokenResolverOptions(0); }
    static constexpr TokenResolverOptions allowArgumentlessFunctions() {
        return TokenResolverOptions(1);
    }
    static constexpr TokenResolverOptions allowImplicitMultiplication() {
        return TokenResolverOptions(2);
    }
    static constexpr TokenResolverOptions useHighPrecedenceImplicitMultiplication() {
        return TokenResolverOptions(4);
    }
    static constexpr TokenResolverOptions defaultOptions() { return TokenResolverOptions(7); }

    constexpr std::uint64_t rawValue() const { return m_rawValue; }
    constexpr bool contains(TokenResolverOptions other) const {
        return (m_rawValue & other.m_rawValue) == other.m_rawValue;
    }
    constexpr bool isEmpty() const { return m_rawValue == 0; }

    friend constexpr TokenResolverOptions operator|(TokenResolverOptions a,
                                                    TokenResolverOptions b) {
        return TokenResolverOptions(a.m_rawValue | b.m_rawValue);
    }
    friend constexpr TokenResolverOptions operator&(TokenResolverOptions a,
                                                    TokenResolverOptions b) {
        return TokenResolverOptions(a.m_rawValue & b.m_rawValue);
    }
    friend constexpr TokenResolverOptions operator-(TokenResolverOptions a,
                                                    TokenResolverOptions b) {
        return TokenResolverOptions(a.m_rawValue & ~b.m_rawValue);
    }
    friend constexpr bool operator==(TokenResolverOptions, TokenResolverOptions) = default;

private:
    std::uint64_t m_rawValue = 0;
};

} // namespace kestrom
