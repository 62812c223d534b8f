#include "core/inspector/InspectorPages.h"
#include "core/inspector/InspectorNavigationItem.h"
#include "core/inspector/InspectorSeparatorViewController.h"
#include "core/inspector/tests/InspectorTestSupport.h"

#include <gtest/gtest.h>

using namespace kestrom;
using namespace kestrom::test;

namespace {

QStringList paneIds(const InspectorPage& page) {
    QStringList ids;
    for (const auto& pane : page->paneDescriptors()) {
        ids.append(pane.identifier());
    }
    return ids;
}

QStringList pageIds(const QList<InspectorPage>& pages) {
    QStringList ids;
    for (const auto& page : pages) {
        ids.append(page->identifier());
    }
    return ids;
}

} // namespace

TEST(InspectorPagesTest, DefaultPagesFollowTheModelsAbilities) {
    const auto plain = makeInspectorPages(*model());
    ASSERT_EQ(pageIds(plain.all), QStringList{"general"});
    EXPECT_EQ(paneIds(plain.all[0]), (QStringList{"Image", "ImageLayout", "Bitmap", "Print"}));
    EXPECT_TRUE(plain.all[0]->sticksLastPane());
    EXPECT_FALSE(plain.all[0]->shouldShowPrintPreview());
    EXPECT_EQ(plain.all[0]->localizedName(), QStringLiteral("Print"));
    EXPECT_EQ(plain.tabs, plain.all);

    const auto colour = makeInspectorPages(*model(R"("colorAbility": "fullColor")"));
    EXPECT_EQ(paneIds(colour.all[0]), (QStringList{"Image", "ImageLayout", "Print"}));

    const auto options = makeInspectorPages(*model(printerOptions));
    ASSERT_EQ(pageIds(options.all), (QStringList{"general", "advanced"}));
    EXPECT_EQ(paneIds(options.all[0]), (QStringList{"Image", "ImageLayout", "Print"}));
    EXPECT_EQ(paneIds(options.all[1]), (QStringList{"Bitmap", "PrinterOptions", "Print"}));
    EXPECT_TRUE(options.all[1]->shouldShowPrintPreview());
    EXPECT_FALSE(options.all[1]->sticksLastPane());
    EXPECT_EQ(options.all[1]->localizedName(), QStringLiteral("Advanced"));
    EXPECT_EQ(pageIds(options.tabs), QStringList{"general"});

    const auto sequences = makeInspectorPages(
        *model(printerOptions +
               R"(, "additionalInfos": {"imageSplit": {"supportsMultipleSequences": true}})"));
    EXPECT_EQ(paneIds(sequences.all[1]),
              (QStringList{"Bitmap", "ImageSplitX", "PrinterOptions", "Print"}));

    // A splitting entry that does not decode counts as absent.
    const auto broken = makeInspectorPages(
        *model(printerOptions +
               R"(, "additionalInfos": {"imageSplit": {"supportsMultipleSequences": 1}})"));
    EXPECT_EQ(paneIds(broken.all[1]), (QStringList{"Bitmap", "PrinterOptions", "Print"}));
}

TEST(InspectorPagesTest, ModelPagesAndTabsComeFromItsInformation) {
    const auto pages = makeInspectorPages(*model(printerOptions + R"(, "additionalInfos": {
        "Dovrel.inspector": {"inspectorTabPages": ["general", "advanced", "extra"],
            "inspectorPages": [{"identifier": "extra", "panes": ["Print"]},
                               {"identifier": "general", "panes": ["Image"],
                                "shouldShowPrintPreview": true, "sticksLastPane": true}]}})"));
    EXPECT_EQ(pageIds(pages.all), (QStringList{"general", "advanced", "extra", "general"}));
    EXPECT_EQ(pageIds(pages.tabs), (QStringList{"general", "advanced", "extra"}));
    // The built-in general page is found first.
    EXPECT_EQ(pages.tabs[0], pages.all[0]);
    const auto& extra = pages.all[2];
    EXPECT_FALSE(extra->shouldShowPrintPreview());
    EXPECT_FALSE(extra->sticksLastPane());
    // No translation: the identifier is the name.
    EXPECT_EQ(extra->localizedName(), QStringLiteral("extra"));
    EXPECT_TRUE(pages.all[3]->shouldShowPrintPreview());
}

TEST(InspectorPagesTest, AnUndecodableEntryGivesTheDefaultPages) {
    for (const char* entry :
         {R"({"inspectorTabPages": ["general", "x"], "inspectorPages": [{"identifier": "x"}]})",
          R"({"inspectorTabPages": "general"})", R"([1])"}) {
        const auto pages = makeInspectorPages(
            *model(QByteArray(R"("additionalInfos": {"Dovrel.inspector": )") + entry + "}"));
        EXPECT_EQ(pageIds(pages.all), QStringList{"general"}) << entry;
        EXPECT_EQ(pageIds(pages.tabs), QStringList{"general"}) << entry;
    }
}

TEST(InspectorPagesTest, UnknownTabsAndPanesAreReportedByTheStartUpCheck) {
    registerStandInPanes({"Image", "Bitmap", "Print", "PrinterOptions"});
    const auto device = model(R"("additionalInfos": {"Dovrel.inspector": {
        "inspectorTabPages": ["general", "nowhere"],
        "inspectorPages": [{"identifier": "extra", "panes": ["Print", "NoSuchPane"]}]}})");
    const auto pages = makeInspectorPages(*device);
    EXPECT_EQ(pages.unknownTabIdentifiers, QStringList{"nowhere"});
    const QStringList problems = InspectorPaneRegistry::shared().problems(*device);
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("nowhere")));
    EXPECT_TRUE(problems[1].contains(QStringLiteral("NoSuchPane")));
    EXPECT_TRUE(InspectorPaneRegistry::shared().problems(*model(printerOptions)).isEmpty());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(InspectorPaneRegistry::shared().checkModels({device}), "NoSuchPane");
}

TEST(InspectorPagesTest, AnUnknownPaneIdentifierMakesNothing) {
    EXPECT_EQ(InspectorPaneRegistry::shared().instantiate(QStringLiteral("NoSuchPane")), nullptr);
    std::unique_ptr<InspectorPaneViewController> layout(
        InspectorPaneRegistry::shared().instantiate(QStringLiteral("ImageLayout")));
    EXPECT_NE(layout, nullptr);
}

TEST(InspectorPagesTest, NavigationItemsSeparateThePanesButNotAPinnedLastOne) {
    registerStandInPanes({"Image", "Bitmap", "Print"});
    const auto pinned = std::make_shared<const InspectorPageDescriptor>(
        QStringLiteral("p"), QStringList{"Image", "Bitmap", "Print"}, false, true);
    const auto item = makeNavigationItem(pinned);
    const auto controllers = item->viewControllers();
    ASSERT_EQ(controllers.size(), 4);
    EXPECT_EQ(controllers[0]->objectName(), QStringLiteral("Image"));
    EXPECT_NE(qobject_cast<InspectorSeparatorViewController*>(controllers[1]), nullptr);
    EXPECT_EQ(controllers[2]->objectName(), QStringLiteral("Bitmap"));
    EXPECT_EQ(controllers[3]->objectName(), QStringLiteral("Print"));
    EXPECT_EQ(controllers[3]->pageDescriptor(), pinned);
    EXPECT_EQ(item->localizedTitle(), QStringLiteral("p"));

    const auto scrolling = std::make_shared<const InspectorPageDescriptor>(
        QStringLiteral("q"), QStringList{"Image", "Print"}, false, false);
    EXPECT_EQ(makeNavigationItem(scrolling)->viewControllers().size(), 3);
}
