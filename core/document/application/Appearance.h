#pragma once

#include <QList>

#include <optional>

namespace kestrom {

// How the desktop draws windows: light or dark, with or without increased
// contrast. Views ask whether it is dark and whether contrast is increased.
class Appearance {
public:
    enum class Name {
        aqua,
        darkAqua,
        vibrantLight,
        vibrantDark,
        highContrastAqua,
        highContrastDarkAqua,
        highContrastVibrantLight,
        highContrastVibrantDark,
    };

    explicit Appearance(Name name) : m_name(name) {}
    // The application's appearance: dark when its palette's window colour is dark.
    static Appearance current();

    Name name() const { return m_name; }
    // The candidate closest to this appearance: the name itself, else the
    // names it derives from (a high-contrast name from its plain one, a
    // vibrant one from light or dark); nothing when none of them is offered.
    std::optional<Name> bestMatch(const QList<Name>& candidates) const;
    // The best match between aqua and dark aqua is dark aqua.
    bool isDark() const;
    // The best match among aqua, dark aqua and the four high-contrast names
    // is a high-contrast name.
    bool isContrastIncreased() const;

private:
    Name m_name;
};

} // namespace kestrom
