#include "app/tavrin/TavrinConnect.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

using lunvik::TavrinConnect;
using Region = TavrinConnect::Region;

namespace {

TEST(TavrinConnect, regionsByExactRawValue) {
    EXPECT_EQ(TavrinConnect::regionFromRawValue(QStringLiteral("china")), Region::china);
    EXPECT_EQ(TavrinConnect::regionFromRawValue(QStringLiteral("worldwide")), Region::worldwide);
    EXPECT_FALSE(TavrinConnect::regionFromRawValue(QStringLiteral("China")));
    EXPECT_FALSE(TavrinConnect::regionFromRawValue(QStringLiteral("")));
    EXPECT_EQ(TavrinConnect::rawValue(Region::china), QStringLiteral("china"));
}

TEST(TavrinConnect, worldwideTextIsTheResourceByteForByte) {
    const auto resource = TavrinConnect::pluginBundle()->dataForResource(
        QStringLiteral("VAZModelInfos"), QStringLiteral("json"));
    ASSERT_TRUE(resource);
    EXPECT_EQ(TavrinConnect(Region::worldwide).deviceDescriptorsJson().toUtf8(), *resource);
}

TEST(TavrinConnect, chinaRenamesTheModelAndItsMovie) {
    const QString text = TavrinConnect(Region::china).deviceDescriptorsJson();
    EXPECT_FALSE(text.contains(QStringLiteral("Tavrin a4")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Tavrin c4\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"completionAlertVideoName\": \"lunvik_china\"")));
    EXPECT_FALSE(QJsonDocument::fromJson(text.toUtf8()).isNull());
}

TEST(TavrinConnect, chinaRewriteRules) {
    struct Row {
        const char* input;
        const char* expected;
    };
    const Row rows[] = {
        {R"({"completionAlertVideoName":"lunvik"})",
         R"({"completionAlertVideoName":"lunvik_china"})"},
        {R"({"completionAlertVideoName":    "lunvik"})",
         R"({"completionAlertVideoName":    "lunvik_china"})"},
        // Only a movie named exactly lunvik, and only spaces before its quote.
        {R"({"completionAlertVideoName": "lunvik2"})",
         R"({"completionAlertVideoName": "lunvik2"})"},
        {"{\"completionAlertVideoName\":\t\"lunvik\"}",
         "{\"completionAlertVideoName\":\t\"lunvik\"}"},
        {R"(["Tavrin a4", {"baseModelName": "Tavrin a4"}])",
         R"(["Tavrin c4", {"baseModelName": "Tavrin c4"}])"},
        {R"(["tavrin a4"])", R"(["tavrin a4"])"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TavrinConnect::rewrittenForChina(QString::fromUtf8(row.input)),
                  QString::fromUtf8(row.expected))
            << row.input;
    }
}

// What every stencil model needs for the print and status code to work.
TEST(TavrinConnect, modelsCarryWhatTheConnectionReads) {
    const QJsonArray models =
        QJsonDocument::fromJson(TavrinConnect(Region::worldwide).deviceDescriptorsJson().toUtf8())
            .array();
    ASSERT_GE(models.size(), 3);
    bool hasShortLayoutModel = false;
    QStringList names;
    for (const auto& value : models) {
        const QJsonObject model = value.toObject();
        const QString name = model.value(QStringLiteral("modelName")).toString();
        names << name;
        hasShortLayoutModel |= name.startsWith(QLatin1Char('G'));
        if (model.contains(QStringLiteral("baseModelName"))) {
            continue;
        }
        EXPECT_EQ(model.value(QStringLiteral("printerType")).toString(),
                  TavrinConnect::printerType);
        const int dots = model.value(QStringLiteral("headDotCount")).toInt();
        EXPECT_GT(dots, 0) << name.toStdString();
        EXPECT_EQ(dots % 8, 0) << name.toStdString();
        const double dpi = model.value(QStringLiteral("dpi")).toDouble();
        // Every canvas fits across the head.
        for (const auto& canvas : model.value(QStringLiteral("canvases")).toArray()) {
            const double width = canvas.toObject()
                                     .value(QStringLiteral("size_mm"))
                                     .toObject()
                                     .value(QStringLiteral("width"))
                                     .toDouble();
            EXPECT_LE(std::llround(width / 25.4 * dpi), dots) << name.toStdString();
        }
        bool hasDensity = false;
        for (const auto& p : model.value(QStringLiteral("parameterProperties")).toArray()) {
            const QJsonObject parameter = p.toObject();
            if (parameter.value(QStringLiteral("identifier")).toString() == "density") {
                hasDensity = true;
                EXPECT_EQ(parameter.value(QStringLiteral("type")).toString(), "number");
                EXPECT_GE(parameter.value(QStringLiteral("minValue")).toDouble(), -128);
                EXPECT_LE(parameter.value(QStringLiteral("maxValue")).toDouble(), 127);
            }
        }
        EXPECT_TRUE(hasDensity) << name.toStdString();
    }
    EXPECT_TRUE(names.contains(TavrinConnect::worldwideModelName));
    EXPECT_TRUE(hasShortLayoutModel);
}

TEST(TavrinConnect, stringTableHasEveryDeviceErrorText) {
    const auto& table = TavrinConnect::sharedStringTable();
    for (int bit = 0; bit < 16; ++bit) {
        const QString key = QStringLiteral("Error_TavrinDevice_%1").arg(bit);
        EXPECT_TRUE(table.getLocalizedStringOrNull(key)) << key.toStdString();
        EXPECT_TRUE(table.getLocalizedStringOrNull(key + QStringLiteral("_recoverySuggestion")))
            << key.toStdString();
    }
    EXPECT_EQ(table.getLocalizedStringOrNull(
                  QStringLiteral("DeviceSettingParameter_density_LeftColumnText")),
              QStringLiteral("Density:"));
}

} // namespace
