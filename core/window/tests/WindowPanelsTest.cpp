#include "core/window/AboutPanelController.h"
#include "core/window/AboutViewController.h"
#include "core/window/HelpPanelController.h"
#include "platform/Bundle.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using kestrom::AboutPanelController;
using kestrom::AboutViewController;
using kestrom::HelpPanelController;

namespace {

// Makes a test bundle the application's for one test.
struct MainBundle {
    QString previous = platform::Bundle::main()->name();
    explicit MainBundle(const char* name) {
        platform::Bundle::setMainBundleName(QString::fromLatin1(name));
    }
    ~MainBundle() { platform::Bundle::setMainBundleName(previous); }
};

} // namespace

TEST(HelpPanelTest, TheChooserTakesTheGreatestKeyNotAboveTheSystem) {
    const QStringList files{"help.html", "other.html", "help_1100.html", "help_1300.html"};
    EXPECT_EQ(HelpPanelController::chooseHelpFile(files, QStringLiteral("1206")), "help_1100.html");
    EXPECT_EQ(HelpPanelController::chooseHelpFile(files, QStringLiteral("1400")), "help_1300.html");
    EXPECT_EQ(HelpPanelController::chooseHelpFile(files, QStringLiteral("1015")), "help.html");
    // Without a system to match, the newest page.
    EXPECT_EQ(HelpPanelController::chooseHelpFile(files, std::nullopt), "help_1300.html");
    // Any case; the first of equal keys; none at all.
    EXPECT_EQ(
        HelpPanelController::chooseHelpFile({"HELP_0900.HTML", "Help_0900.html"}, std::nullopt),
        "HELP_0900.HTML");
    EXPECT_FALSE(HelpPanelController::chooseHelpFile({"index.html"}, std::nullopt));
    EXPECT_FALSE(HelpPanelController::chooseHelpFile(files, QStringLiteral("0999")));
}

TEST(HelpPanelTest, ShowsTheNewestPageAndOpensOurOwnLinksInThePanel) {
    MainBundle bundle("WindowTestApp");
    HelpPanelController& panel = HelpPanelController::shared();
    panel.showHelp();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.webView()->source().toString().endsWith(QStringLiteral("help_1300.html")));
    EXPECT_EQ(panel.windowTitle(), QStringLiteral("help_1300"));
    panel.openLink(QUrl(QStringLiteral("help.html")));
    EXPECT_TRUE(panel.webView()->source().toString().endsWith(QStringLiteral("/help.html")));

    panel.showAcknowledgments();
    EXPECT_TRUE(
        panel.webView()->source().toString().endsWith(QStringLiteral("acknowledgments.html")));
    EXPECT_TRUE(panel.webView()->toPlainText().contains(QStringLiteral("Qt 6")));
    EXPECT_EQ(&HelpPanelController::shared(), &panel);
}

TEST(HelpPanelTest, WithoutHelpPagesTheCommandDoesNothing) {
    MainBundle bundle("WindowTestPlugin");
    HelpPanelController::shared().hide();
    HelpPanelController::shared().showHelp();
    EXPECT_FALSE(HelpPanelController::shared().isVisible());
}

TEST(AboutPanelTest, ShowsTheApplicationsTextsAndTheHostOfItsWebLink) {
    MainBundle bundle("WindowTestApp");
    AboutPanelController::shared().showWindow();
    AboutViewController* about = AboutPanelController::shared().aboutViewController();
    EXPECT_EQ(about->appNameLabel()->text(), QStringLiteral("Localized Name"));
    EXPECT_EQ(about->versionLabel()->text(), QStringLiteral("Version 2.5"));
    EXPECT_EQ(about->copyrightLabel()->text(), QStringLiteral("Copyright line"));
    EXPECT_EQ(about->webButton()->text(), QStringLiteral("stencils.example.org"));
    EXPECT_TRUE(about->webButton()->isVisible());

    // Closing forgets the panel; the next one is new and centred.
    QPointer<AboutPanelController> first = &AboutPanelController::shared();
    first->close();
    EXPECT_FALSE(AboutPanelController::hasShared());
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    AboutPanelController::shared().showWindow();
    EXPECT_TRUE(AboutPanelController::hasShared());
    AboutPanelController::shared().close();
}

TEST(AboutPanelTest, TextsFollowTheKeysThatArePresent) {
    AboutViewController about;
    about.loadInfo({{"CFBundleDisplayName", "Name"},
                    {"About_ShouldHideCopyright", true},
                    {"NSHumanReadableCopyright", "C"},
                    {"About_WebButtonUrl", "https://example.org"}},
                   QStringLiteral("lunvik"));
    EXPECT_EQ(about.appNameLabel()->text(), QStringLiteral("lunvik"));
    EXPECT_TRUE(about.copyrightLabel()->text().isEmpty());
    EXPECT_FALSE(about.webButton()->isVisibleTo(&about));

    about.loadInfo({{"About_WebButtonUrl", "mailto:info"}, {"CFBundleShortVersionString", 3}},
                   QString());
    EXPECT_EQ(about.webButton()->text(), QStringLiteral("Web Site"));
    EXPECT_TRUE(about.webButton()->isVisibleTo(&about));
    EXPECT_EQ(about.versionLabel()->text(), QStringLiteral("Version "));
    EXPECT_TRUE(about.appNameLabel()->text().isEmpty());

    about.loadInfo({}, QString());
    EXPECT_FALSE(about.webSiteUrl());
    EXPECT_FALSE(about.webButton()->isVisibleTo(&about));
}
