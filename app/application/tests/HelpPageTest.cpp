#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinConnect.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/job/KestromText.h"
#include "core/launch/AppDelegate.h"
#include "core/launch/MainMenu.h"
#include "core/window/ProgressViewController.h"
#include "model/connections/DeviceStatusElement.h"
#include "platform/Progress.h"

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString helpPage() {
    QFile page(QStringLiteral(LUNVIK_HELP_PAGE));
    EXPECT_TRUE(page.open(QIODevice::ReadOnly));
    return QString::fromUtf8(page.readAll()).simplified();
}

// The page's words, without its tags.
QString helpText() {
    return helpPage().remove(QRegularExpression(QStringLiteral("<[^>]*>")));
}

QAction* menuItem(const QMenuBar& bar, const QString& menu, const QString& item) {
    for (QAction* top : bar.actions()) {
        if (top->menu() && top->text().remove(u'&') == menu) {
            for (QAction* entry : top->menu()->actions()) {
                if (entry->text().remove(u'&') == item) {
                    return entry;
                }
            }
        }
    }
    return nullptr;
}

} // namespace

// Every "Menu › Item" the page names is a command of the menus, with the
// shortcut the page gives for it.
TEST(HelpPageTest, TheCommandsItNamesAreTheMenusOwnWithTheirShortcuts) {
    kestrom::AppDelegate delegate;
    kestrom::MainMenu::rename(*delegate.mainMenu(), QStringLiteral("Lunvik"));
    const QRegularExpression path(QStringLiteral("<b>(\\w+) › ([^<]+)</b>(?: \\(([^)]+)\\))?"));
    int named = 0;
    for (const auto& match : path.globalMatch(helpPage())) {
        ++named;
        const QAction* item = menuItem(*delegate.mainMenu(), match.captured(1), match.captured(2));
        ASSERT_TRUE(item) << match.captured(0).toStdString();
        if (match.hasCaptured(3)) {
            EXPECT_TRUE(item->shortcuts().contains(QKeySequence(match.captured(3))))
                << match.captured(0).toStdString() << " has "
                << item->shortcut().toString().toStdString();
        }
    }
    EXPECT_GE(named, 5);
}

// The page tells what the shipped device's status shows: every line it has,
// and no ink where the device reports none.
TEST(HelpPageTest, TheStatusItDescribesIsTheStencilDevicesOwn) {
    const QString help = helpText();
    using Element = ambrel::DeviceStatusElement;
    const lunvik::TavrinConnect plugin(lunvik::TavrinConnect::Region::worldwide);
    const auto model = plugin.deviceDescriptors().first();
    lunvik::TavrinSimulatorUsb usb;
    lunvik::TavrinDeviceConnection connection(model, ambrel::TransportType::usb);
    const auto status = connection.getStatus(nullptr);
    ASSERT_FALSE(status.error);

    bool reportsInk = false;
    for (const Element& element : status.elements) {
        EXPECT_TRUE(help.contains(element.localizedLabel(), Qt::CaseInsensitive))
            << element.localizedLabel().toStdString();
        reportsInk = reportsInk || element.elementCase() >= Element::Case::colorInkStatus;
    }
    EXPECT_GE(status.elements.size(), 8);
    if (!reportsInk) {
        EXPECT_FALSE(help.contains(QRegularExpression(QStringLiteral("\\bink\\b"),
                                                      QRegularExpression::CaseInsensitiveOption)));
    }
}

// What the page says of stopping a print is what the progress sheet does:
// Cancel works until the columns go out, then it stands disabled and the
// sheet's own words, which the page repeats, say why.
TEST(HelpPageTest, WhatItSaysOfCancellingIsWhatTheProgressSheetDoes) {
    const QString help = helpText().toLower();
    kestrom::ProgressViewController sheet;
    auto progress = std::make_shared<platform::Progress>();
    sheet.setProgress(progress);
    sheet.show();
    EXPECT_TRUE(sheet.cancelButton()->isEnabled());
    EXPECT_TRUE(help.contains(QStringLiteral("press <b>escape</b> or <b>cancel</b> to stop the job")
                                  .remove(QRegularExpression(QStringLiteral("<[^>]*>")))));

    progress->setCancellable(false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(sheet.cancelButton()->isEnabled());
    EXPECT_TRUE(help.contains(QStringLiteral("cancel is disabled")));
    // Each sentence the sheet shows then is in the page.
    const QString shown = sheet.descriptionText().section(u'\n', -1);
    int sentences = 0;
    for (QString sentence : shown.split(u'.', Qt::SkipEmptyParts)) {
        sentence = sentence.trimmed().toLower();
        if (!sentence.isEmpty()) {
            ++sentences;
            EXPECT_TRUE(help.contains(sentence)) << sentence.toStdString();
        }
    }
    EXPECT_EQ(sentences, 2);
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(progress->isCancelled());
}

// The size command of a bitmap picture has one name: in the Picture menu,
// on the settings' button and on this page.
TEST(HelpPageTest, TheDotByDotCommandHasOneNameEverywhere) {
    using kestrom::KestromText;
    const QString menu = KestromText::text("PrintDocument_Menu_DotByDot").remove(u'&');
    const QString button = KestromText::text("Inspector_ImageLayout_DotByDot");
    EXPECT_EQ(menu, button);
    EXPECT_TRUE(helpText().contains(menu)) << menu.toStdString();
    // And the page's own size command is the menu's.
    EXPECT_EQ(KestromText::text("PrintDocument_Menu_ActualSize").remove(u'&'),
              KestromText::text("Inspector_ImageLayout_ActualSize"));
    EXPECT_TRUE(helpText().contains(QStringLiteral("Picture › ") +
                                    KestromText::text("Inspector_ImageLayout_ActualSize")));
    for (const char* other : {"One Dot per Pixel", "Actual size", "Dot By Dot"}) {
        EXPECT_FALSE(helpText().contains(QLatin1String(other))) << other;
    }
}
