#include "core/launch/MainMenu.h"
#include "core/launch/AppDelegate.h"

#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

using kestrom::MainMenu;

namespace {

QStringList titles(const QMenuBar& bar) {
    QStringList all;
    for (QAction* top : bar.actions()) {
        all << top->text();
        if (QMenu* menu = top->menu()) {
            all << menu->title();
            for (QAction* item : menu->actions()) {
                all << item->text();
            }
        }
    }
    return all;
}

} // namespace

TEST(MainMenuTest, TheApplicationsMenusCarryItsNameAfterLaunching) {
    kestrom::AppDelegate delegate;
    QStringList before = titles(*delegate.mainMenu());
    EXPECT_TRUE(before.contains(QStringLiteral("&Kestrom")));
    EXPECT_TRUE(before.contains(QStringLiteral("&About Kestrom")));
    EXPECT_TRUE(before.contains(QStringLiteral("Kestrom &Help")));
    MainMenu::rename(*delegate.mainMenu(), QStringLiteral("Lunvik"));
    const QStringList after = titles(*delegate.mainMenu());
    EXPECT_EQ(after.filter(QStringLiteral("Kestrom")), QStringList());
    EXPECT_TRUE(after.contains(QStringLiteral("&Lunvik")));
    EXPECT_TRUE(after.contains(QStringLiteral("&About Lunvik")));
    EXPECT_TRUE(after.contains(QStringLiteral("&Quit Lunvik")));
    EXPECT_TRUE(after.contains(QStringLiteral("Lunvik &Help")));
    EXPECT_EQ(after.size(), before.size());
}

TEST(MainMenuTest, OnlyThePlaceholderOfTheTopTwoLevelsIsReplaced) {
    QMenuBar bar;
    QMenu* top = bar.addMenu(QStringLiteral("Kestrom"));
    top->addAction(QStringLiteral("Hide Kestrom and Kestrom"));
    top->addAction(QStringLiteral("about kestrom"));
    QMenu* deeper = top->addMenu(QStringLiteral("More Kestrom"));
    deeper->addAction(QStringLiteral("Deep Kestrom"));
    bar.addAction(QStringLiteral("Plain Kestrom item"));

    MainMenu::rename(bar, QStringLiteral("Lunvik"));
    EXPECT_EQ(top->title(), QStringLiteral("Lunvik"));
    EXPECT_EQ(bar.actions().first()->text(), QStringLiteral("Lunvik"));
    EXPECT_EQ(top->actions().at(0)->text(), QStringLiteral("Hide Lunvik and Lunvik"));
    EXPECT_EQ(top->actions().at(1)->text(), QStringLiteral("about kestrom"));
    EXPECT_EQ(deeper->title(), QStringLiteral("More Lunvik"));
    EXPECT_EQ(deeper->actions().first()->text(), QStringLiteral("Deep Kestrom"));
    EXPECT_EQ(bar.actions().last()->text(), QStringLiteral("Plain Lunvik item"));
}
