#include "model/connections/DeviceStatusElement.h"

#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using ambrel::DeviceStatusElement;
using ambrel::LocalizedStringTable;
using Asset = ambrel::DeviceStatusIconAsset;

namespace {

platform::Error errorWith(std::optional<QString> description, std::optional<QString> suggestion) {
    platform::Error::UserInfo info;
    info.localizedDescription = std::move(description);
    info.localizedRecoverySuggestion = std::move(suggestion);
    return platform::Error(QStringLiteral("Test"), 1, info);
}

} // namespace

TEST(DeviceStatusElement, valuesOfNumbers) {
    const struct {
        DeviceStatusElement element;
        const char16_t* expected;
    } cases[] = {
        {DeviceStatusElement::headTemperature(0), u"0℃"},
        {DeviceStatusElement::foilTemperature(42), u"42℃"},
        {DeviceStatusElement::motorTemperature(-5), u"-5℃"},
        {DeviceStatusElement::remainingBlackInk(0.126), u"13.0%"},
        {DeviceStatusElement::remainingBlackInk(1.0), u"100.0%"},
        {DeviceStatusElement::remainingColorInk(0.005), u"1.0%"},
        {DeviceStatusElement::remainingColorInk(0.0), u"0.0%"},
        {DeviceStatusElement::remainingColorInk(-0.005), u"-1.0%"},
        {DeviceStatusElement::serial(QStringLiteral("A-17")), u"A-17"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.element.localizedValue(), QString::fromUtf16(c.expected))
            << DeviceStatusElement::caseName(c.element.elementCase()).toStdString();
    }
}

// A status row shows an error as plain sentences, the way an alert reads,
// never quoted.
TEST(DeviceStatusElement, errorTextsArePlainSentences) {
    using E = std::optional<QString>;
    EXPECT_EQ(DeviceStatusElement::error(errorWith(E(u"The device is busy."_qs), std::nullopt))
                  .localizedValue(),
              QStringLiteral("The device is busy."));
    EXPECT_EQ(DeviceStatusElement::alert(errorWith(E(u"The device is busy."_qs), E(QString())))
                  .localizedValue(),
              QStringLiteral("The device is busy."));
    EXPECT_EQ(DeviceStatusElement::error(
                  errorWith(E(u"The device did not answer in time."_qs), E(u"Plug it in."_qs)))
                  .localizedValue(),
              QStringLiteral("The device did not answer in time. Plug it in."));
    // A description that is no sentence yet becomes one before the suggestion.
    EXPECT_EQ(DeviceStatusElement::error(errorWith(E(u"Disconnected"_qs), E(u"Plug it in."_qs)))
                  .localizedValue(),
              QStringLiteral("Disconnected. Plug it in."));
    EXPECT_EQ(
        DeviceStatusElement::error(errorWith(E(QString()), E(u"Plug it in."_qs))).localizedValue(),
        QStringLiteral("Plug it in."));
}

TEST(DeviceStatusElement, dateIsTheSameInEveryLocale) {
    const QDateTime date(QDate(2024, 3, 5), QTime(9, 7, 3));
    for (const char* name : {"en_US", "ar_EG", "fa_IR", "th_TH", "de_DE"}) {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
        EXPECT_EQ(DeviceStatusElement::dateTime(date).localizedValue(),
                  QStringLiteral("2024-03-05 09:07:03"))
            << name;
    }
    QLocale::setDefault(QLocale::c());
    // A moment given in another zone is shown in the computer's own.
    const QDateTime utc = date.toUTC();
    EXPECT_EQ(DeviceStatusElement::dateTime(utc).localizedValue(),
              QStringLiteral("2024-03-05 09:07:03"));
}

TEST(DeviceStatusElement, labelsComeFromTheTableOrTheCaseName) {
    const LocalizedStringTable empty(platform::Bundle::named(QStringLiteral("AmbrelTestBundle")),
                                     QStringLiteral("Empty"));
    const auto foil = DeviceStatusElement::foilTemperature(1);
    EXPECT_EQ(foil.localizedLabel(empty), QStringLiteral("foilTemperature"));
    EXPECT_EQ(foil.localizedLabel(), QStringLiteral("Foil temperature"));
    EXPECT_EQ(DeviceStatusElement::colonSeparator(), QStringLiteral(": "));
    // Every case has a label of its own in the library's table.
    for (int i = 0; i <= int(DeviceStatusElement::Case::remainingBlackInk); ++i) {
        const auto c = static_cast<DeviceStatusElement::Case>(i);
        const QString name = DeviceStatusElement::caseName(c);
        ASSERT_FALSE(name.isEmpty()) << i;
        EXPECT_TRUE(LocalizedStringTable::ambrel().getLocalizedStringOrNull(
            QStringLiteral("DeviceStatusElement_Label_") + name))
            << name.toStdString();
    }
}

TEST(DeviceStatusElement, equalityComparesCaseAndPayload) {
    EXPECT_EQ(DeviceStatusElement::serial(u"1"_qs), DeviceStatusElement::serial(u"1"_qs));
    EXPECT_NE(DeviceStatusElement::serial(u"1"_qs), DeviceStatusElement::firmware(u"1"_qs));
    EXPECT_NE(DeviceStatusElement::headTemperature(3), DeviceStatusElement::foilTemperature(3));
    EXPECT_NE(DeviceStatusElement::headTemperature(3), DeviceStatusElement::headTemperature(4));
    const auto a = errorWith(u"Disconnected"_qs, std::nullopt);
    EXPECT_EQ(DeviceStatusElement::error(a), DeviceStatusElement::error(a));
    EXPECT_NE(DeviceStatusElement::error(a), DeviceStatusElement::alert(a));
    EXPECT_NE(DeviceStatusElement::error(a),
              DeviceStatusElement::error(errorWith(u"Other"_qs, std::nullopt)));
}

TEST(DeviceStatusIconAsset, namesAndIcons) {
    ASSERT_EQ(Asset::allCases().size(), 9);
    EXPECT_EQ(Asset::allCases().front(), Asset::timeTemplate);
    EXPECT_EQ(Asset::allCases().back(), Asset::inkBlack);
    EXPECT_EQ(Asset::fromRawValue(u"inkColor"_qs), Asset(Asset::inkColor));
    EXPECT_FALSE(Asset::fromRawValue(u"InkColor"_qs));
    EXPECT_EQ(Asset(Asset::timeTemplate).assetName(), u"StatusTimeTemplate"_qs);
    EXPECT_EQ(Asset(Asset::inkBlack).assetName(), u"StatusInkBlack"_qs);
    EXPECT_EQ(Asset(Asset::alertTemplate).systemImageName(), u"exclamationmark.triangle"_qs);
    EXPECT_TRUE(Asset(Asset::osTemplate).systemImageName().endsWith(u".square"_qs));
    for (const Asset& asset : Asset::allCases()) {
        ASSERT_EQ(Asset::fromRawValue(asset.rawValue()), asset);
        const auto icon = asset.icon();
        ASSERT_TRUE(icon) << asset.rawValue().toStdString();
        EXPECT_TRUE(icon->availableSizes().contains(QSize(16, 16)));
        EXPECT_TRUE(icon->availableSizes().contains(QSize(32, 32)));
        EXPECT_EQ(icon->pixmap(QSize(32, 32)).size(), QSize(32, 32));
    }
}

TEST(DeviceStatusIconAsset, elementsPickTheirAsset) {
    EXPECT_EQ(DeviceStatusElement::dateTime({}).iconAsset(), Asset::timeTemplate);
    EXPECT_EQ(DeviceStatusElement::macOs({}).iconAsset(), Asset::osTemplate);
    EXPECT_EQ(DeviceStatusElement::alert(errorWith({}, {})).iconAsset(), Asset::alertTemplate);
    EXPECT_EQ(DeviceStatusElement::serial({}).iconAsset(), Asset::infoTemplate);
    EXPECT_EQ(DeviceStatusElement::motorTemperature(0).iconAsset(), Asset::temperatureTemplate);
    EXPECT_EQ(DeviceStatusElement::colorInkStatus({}).iconAsset(), Asset::inkColor);
    EXPECT_EQ(DeviceStatusElement::remainingBlackInk(0).iconAsset(), Asset::inkBlack);
    EXPECT_TRUE(DeviceStatusElement::remainingBlackInk(0).icon());
}

TEST(DeviceStatusIconAsset, firstRequestsFromManyThreadsRegisterOnce) {
    std::atomic<int> found = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&found, i] {
            const Asset asset = Asset::allCases().at(i % Asset::allCases().size());
            if (asset.icon()) {
                ++found;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(found, 8);
}
