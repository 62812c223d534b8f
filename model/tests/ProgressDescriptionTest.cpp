#include "model/texts/PrintProgressAdditionalDescription.h"
#include "model/texts/PrintProgressDescription.h"
#include "model/texts/ProgressDescriptionText.h"
#include "model/texts/ScanProgressDescription.h"
#include "platform/Progress.h"

#include <gtest/gtest.h>

using ambrel::LocalizedStringTable;
using ambrel::PrintProgressAdditionalDescription;
using ambrel::PrintProgressDescription;
using ambrel::ScanProgressDescription;

namespace {

LocalizedStringTable emptyTable() {
    return LocalizedStringTable(platform::Bundle::named(QStringLiteral("AmbrelTestBundle")),
                                QStringLiteral("Empty"));
}

// Every case of an enumeration: found again by its name, and given an English
// text by the library's table (a missing or misspelt key shows the bare name).
template <typename Description> void expectEveryCaseNamedAndTranslated(int count) {
    ASSERT_EQ(Description::rawValues().size(), count);
    for (int i = 0; i < count; ++i) {
        const Description d(static_cast<typename Description::Case>(i));
        ASSERT_EQ(Description::fromRawValue(d.rawValue()), d) << i;
        EXPECT_NE(d.localizedValue(), d.rawValue()) << d.rawValue().toStdString();
        EXPECT_FALSE(d.localizedValue().isEmpty()) << i;
    }
}

} // namespace

TEST(ProgressDescription, everyCaseHasNameAndText) {
    expectEveryCaseNamedAndTranslated<PrintProgressDescription>(19);
    expectEveryCaseNamedAndTranslated<ScanProgressDescription>(8);
    expectEveryCaseNamedAndTranslated<PrintProgressAdditionalDescription>(2);
}

TEST(ProgressDescription, namesAreExactAndOrdered) {
    EXPECT_EQ(PrintProgressDescription::fromRawValue(QStringLiteral("printing"))->value(), 12);
    EXPECT_FALSE(PrintProgressDescription::fromRawValue(QStringLiteral("Printing")));
    EXPECT_FALSE(PrintProgressDescription::fromRawValue(QString()));
    EXPECT_EQ(ScanProgressDescription::fromRawValue(QStringLiteral("turningScannerOff"))->value(),
              ScanProgressDescription::turningScannerOff);
    EXPECT_EQ(ScanProgressDescription(ScanProgressDescription::moving).rawValue(),
              QStringLiteral("moving"));
}

TEST(ProgressDescription, keysUpperCaseOnlyTheFirstLetter) {
    EXPECT_EQ(ambrel::ProgressDescriptionText::key(PrintProgressDescription::keyPrefix(),
                                                   QStringLiteral("preparingForLunvik")),
              QStringLiteral("PrintProgress_Description_PreparingForLunvik"));
    EXPECT_EQ(ambrel::ProgressDescriptionText::key(ScanProgressDescription::keyPrefix(),
                                                   QStringLiteral("moving")),
              QStringLiteral("ScanProgress_Description_Moving"));
    EXPECT_EQ(
        ambrel::ProgressDescriptionText::key(
            PrintProgressAdditionalDescription::keyPrefix(),
            QStringLiteral("clickCancelWhenCartridgeExchangeIsCompleted")),
        QStringLiteral(
            "PrintProgress_AdditionalDescription_ClickCancelWhenCartridgeExchangeIsCompleted"));
}

TEST(ProgressDescription, withoutTextTheCaseNameIsShown) {
    const auto table = emptyTable();
    EXPECT_EQ(PrintProgressDescription(PrintProgressDescription::printing).localizedValue(table),
              QStringLiteral("printing"));
    EXPECT_EQ(PrintProgressAdditionalDescription(
                  PrintProgressAdditionalDescription::
                      moveHeadToFrontAndClickCancelWhenCartridgeExchangeIsCompleted)
                  .localizedValue(table),
              QStringLiteral("moveHeadToFrontAndClickCancelWhenCartridgeExchangeIsCompleted"));
    EXPECT_EQ(ScanProgressDescription(ScanProgressDescription::scanning).localizedValue(table),
              QStringLiteral("scanning"));
}

TEST(ProgressDescription, setsTheProgressTexts) {
    platform::Progress progress;
    ambrel::setLocalizedDescription(progress,
                                    ScanProgressDescription(ScanProgressDescription::scanning));
    EXPECT_EQ(progress.localizedDescription(),
              LocalizedStringTable::ambrel().getLocalizedStringOrKey(
                  QStringLiteral("ScanProgress_Description_Scanning")));
    ambrel::setLocalizedAdditionalDescription(
        progress,
        PrintProgressAdditionalDescription(
            PrintProgressAdditionalDescription::clickCancelWhenCartridgeExchangeIsCompleted));
    EXPECT_EQ(progress.localizedAdditionalDescription(),
              PrintProgressAdditionalDescription(
                  PrintProgressAdditionalDescription::clickCancelWhenCartridgeExchangeIsCompleted)
                  .localizedValue());
    EXPECT_EQ(progress.localizedDescription(), QStringLiteral("Scanning…"));
}
