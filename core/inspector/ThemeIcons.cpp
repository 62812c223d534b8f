#include "core/inspector/ThemeIcons.h"

namespace kestrom {

namespace {

QString themeName(ThemeIcons::Name name) {
    switch (name) {
    case ThemeIcons::Name::rotateLeft:
        return QStringLiteral("object-rotate-left");
    case ThemeIcons::Name::rotateRight:
        return QStringLiteral("object-rotate-right");
    case ThemeIcons::Name::flipHorizontal:
        return QStringLiteral("object-flip-horizontal");
    case ThemeIcons::Name::undo:
        return QStringLiteral("edit-undo");
    case ThemeIcons::Name::clear:
        return QStringLiteral("edit-clear");
    }
    return {};
}

} // namespace

QIcon ThemeIcons::icon(Name name) {
    return QIcon::fromTheme(themeName(name));
}

void ThemeIcons::lookUpAhead() {
    for (const Name name :
         {Name::rotateLeft, Name::rotateRight, Name::flipHorizontal, Name::undo, Name::clear}) {
        icon(name);
    }
}

} // namespace kestrom
