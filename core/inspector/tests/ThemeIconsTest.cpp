#include "core/inspector/ThemeIcons.h"
#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"
#include "core/inspector/InspectorPaneViewController_Image.h"
#include "core/inspector/InspectorPaneViewController_ImageLayout.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using kestrom::ThemeIcons;

namespace {

const QStringList themeNames = {QStringLiteral("object-rotate-left"),
                                QStringLiteral("object-rotate-right"),
                                QStringLiteral("object-flip-horizontal"),
                                QStringLiteral("edit-undo"), QStringLiteral("edit-clear")};

// A desktop icon theme with one plain-coloured 16 px icon per name, made the
// process's theme for as long as it lives.
class ScratchTheme {
public:
    explicit ScratchTheme(const QStringList& names)
        : m_searchPaths(QIcon::themeSearchPaths()), m_name(QIcon::themeName()) {
        const QString theme = m_folder.path() + QStringLiteral("/scratch");
        QDir().mkpath(theme + QStringLiteral("/16x16/actions"));
        QFile index(theme + QStringLiteral("/index.theme"));
        index.open(QIODevice::WriteOnly);
        index.write("[Icon Theme]\nName=scratch\nDirectories=16x16/actions\n\n"
                    "[16x16/actions]\nSize=16\nType=Fixed\n");
        index.close();
        for (int i = 0; i < names.size(); ++i) {
            QImage image(16, 16, QImage::Format_ARGB32);
            image.fill(colourOf(i));
            image.save(theme + QStringLiteral("/16x16/actions/") + names[i] +
                       QStringLiteral(".png"));
        }
        QIcon::setThemeSearchPaths({m_folder.path()});
        QIcon::setThemeName(QStringLiteral("scratch"));
    }
    ~ScratchTheme() {
        QIcon::setThemeSearchPaths(m_searchPaths);
        QIcon::setThemeName(m_name);
    }
    static QRgb colourOf(int i) { return QColor::fromHsv(i * 60, 200, 200).rgba(); }

private:
    QTemporaryDir m_folder;
    QStringList m_searchPaths;
    QString m_name;
};

QRgb shownColour(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixel(8, 8);
}

} // namespace

// The names looked up ahead are the freedesktop names the buttons show: with
// a theme that has them, each button shows its own icon rather than its
// fallback character; with one that has none, the character.
TEST(ThemeIcons, TheInspectorsButtonsShowTheThemesIconsLookedUpAhead) {
    const ThemeIcons::Name names[] = {ThemeIcons::Name::rotateLeft, ThemeIcons::Name::rotateRight,
                                      ThemeIcons::Name::flipHorizontal, ThemeIcons::Name::undo,
                                      ThemeIcons::Name::clear};
    {
        const ScratchTheme theme(themeNames);
        ThemeIcons::lookUpAhead();
        for (int i = 0; i < themeNames.size(); ++i) {
            EXPECT_EQ(shownColour(ThemeIcons::icon(names[i])), ScratchTheme::colourOf(i))
                << themeNames[i].toStdString();
        }
        const auto image = std::make_unique<kestrom::InspectorPaneViewController_Image>();
        const auto layout = std::make_unique<kestrom::InspectorPaneViewController_ImageLayout>();
        const auto split =
            std::make_unique<kestrom::InspectorPaneViewController_HorizontalImageSplit>();
        QList<QToolButton*> buttons = image->findChildren<QToolButton*>();
        buttons += layout->findChildren<QToolButton*>();
        buttons += split->findChildren<QToolButton*>();
        QSet<QRgb> shown;
        for (QToolButton* button : buttons) {
            if (!button->icon().isNull()) {
                EXPECT_TRUE(button->text().isEmpty()) << button->toolTip().toStdString();
                shown << shownColour(button->icon());
            }
        }
        EXPECT_EQ(shown.size(), themeNames.size());
    }
    const ScratchTheme empty({});
    const auto image = std::make_unique<kestrom::InspectorPaneViewController_Image>();
    for (QToolButton* button : image->findChildren<QToolButton*>()) {
        EXPECT_TRUE(button->icon().isNull());
        EXPECT_FALSE(button->text().isEmpty()) << button->toolTip().toStdString();
    }
}
