#include "core/document/application/Appearance.h"

#include <QGuiApplication>
#include <QPalette>

namespace kestrom {

namespace {

using Name = Appearance::Name;

// Each name and the names it falls back to, closest first.
QList<Name> lineage(Name name) {
    switch (name) {
    case Name::aqua:
        return {Name::aqua};
    case Name::darkAqua:
        return {Name::darkAqua};
    case Name::vibrantLight:
        return {Name::vibrantLight, Name::aqua};
    case Name::vibrantDark:
        return {Name::vibrantDark, Name::darkAqua};
    case Name::highContrastAqua:
        return {Name::highContrastAqua, Name::aqua};
    case Name::highContrastDarkAqua:
        return {Name::highContrastDarkAqua, Name::darkAqua};
    case Name::highContrastVibrantLight:
        return {Name::highContrastVibrantLight, Name::vibrantLight, Name::highContrastAqua,
                Name::aqua};
    case Name::highContrastVibrantDark:
        return {Name::highContrastVibrantDark, Name::vibrantDark, Name::highContrastDarkAqua,
                Name::darkAqua};
    }
    return {name};
}

} // namespace

Appearance Appearance::current() {
    const QPalette palette = QGuiApplication::palette();
    return Appearance(palette.color(QPalette::Window).lightness() < 128 ? Name::darkAqua
                                                                        : Name::aqua);
}

std::optional<Appearance::Name> Appearance::bestMatch(const QList<Name>& candidates) const {
    for (Name name : lineage(m_name)) {
        if (candidates.contains(name)) {
            return name;
        }
    }
    return std::nullopt;
}

bool Appearance::isDark() const {
    return bestMatch({Name::aqua, Name::darkAqua}).value_or(Name::aqua) == Name::darkAqua;
}

bool Appearance::isContrastIncreased() const {
    const Name match =
        bestMatch({Name::aqua, Name::darkAqua, Name::highContrastAqua, Name::highContrastDarkAqua,
                   Name::highContrastVibrantLight, Name::highContrastVibrantDark})
            .value_or(Name::aqua);
    return match == Name::highContrastAqua || match == Name::highContrastDarkAqua ||
           match == Name::highContrastVibrantLight || match == Name::highContrastVibrantDark;
}

} // namespace kestrom
