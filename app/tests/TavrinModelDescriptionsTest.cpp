#include "app/tavrin/TavrinConnect.h"
#include "model/descriptions/DeviceDescriptor.h"

#include <QFile>

#include <gtest/gtest.h>

using ambrel::DeviceDescriptor;
using lunvik::TavrinConnect;
using Region = TavrinConnect::Region;

namespace {

QList<std::shared_ptr<const DeviceDescriptor>> modelsOf(Region region) {
    return DeviceDescriptor::deviceDescriptors(
        TavrinConnect(region).deviceDescriptorsJson().toUtf8(), TavrinConnect::pluginBundle());
}

std::shared_ptr<const DeviceDescriptor> named(Region region, const QString& name) {
    for (const auto& d : modelsOf(region)) {
        if (d->modelName() == name) {
            return d;
        }
    }
    return nullptr;
}

TEST(TavrinModelDescriptions, decodeForBothRegions) {
    QStringList worldwide;
    for (const auto& d : modelsOf(Region::worldwide)) {
        worldwide << d->modelName();
    }
    EXPECT_EQ(worldwide, (QStringList{"Tavrin a4", "Tavrin a5", "Gest 300"}));
    QStringList china;
    for (const auto& d : modelsOf(Region::china)) {
        china << d->modelName();
    }
    EXPECT_EQ(china, (QStringList{"Tavrin c4", "Tavrin a5", "Gest 300"}));
}

TEST(TavrinModelDescriptions, textsComeFromThePluginTable) {
    for (const Region region : {Region::worldwide, Region::china}) {
        const auto a4 = named(region, region == Region::china ? TavrinConnect::chinaModelName
                                                              : TavrinConnect::worldwideModelName);
        ASSERT_TRUE(a4);
        EXPECT_EQ(a4->printerType(), TavrinConnect::printerType);
        EXPECT_EQ(a4->headDotCount(), 4992);
        EXPECT_EQ(a4->dpi().rawValue(), 600);
        EXPECT_EQ(a4->canvases().first()->name(), QStringLiteral("A4 screen"));
        ASSERT_EQ(a4->parameterProperties().size(), 1);
        EXPECT_EQ(a4->parameterProperties().first()->localizedLeftColumnText(),
                  QStringLiteral("Density:"));
        ASSERT_TRUE(a4->completionAlertInfo());
        EXPECT_EQ(a4->completionAlertInfo()->message,
                  QStringLiteral("The stencil screen is ready."));
        EXPECT_EQ(a4->allowedOffsetBases().size(), 9);
    }
    // The derived model takes its base's description, but not the base's
    // completion alert and movie, which are the base's own, whichever name
    // the base has in the region.
    for (const Region region : {Region::worldwide, Region::china}) {
        const auto a5 = named(region, QStringLiteral("Tavrin a5"));
        ASSERT_TRUE(a5);
        EXPECT_FALSE(a5->completionAlertInfo());
        EXPECT_FALSE(a5->showsCompletionAlert());
        EXPECT_EQ(a5->canvases().size(), 2);
        EXPECT_EQ(a5->headDotCount(), 4992);
    }
}

// The stencil models' completion movie is in the plug-in's own bundle in
// both regions: a short MP4, small enough to be compiled in.
TEST(TavrinModelDescriptions, theCompletionMovieIsAnMp4OfThePlugin) {
    for (const Region region : {Region::worldwide, Region::china}) {
        const QString a4 = region == Region::china ? TavrinConnect::chinaModelName
                                                   : TavrinConnect::worldwideModelName;
        SCOPED_TRACE(a4.toStdString());
        const auto model = named(region, a4);
        ASSERT_TRUE(model);
        ASSERT_TRUE(model->completionAlertInfo());
        const auto url = model->completionAlertInfo()->videoFileUrl;
        ASSERT_TRUE(url);
        EXPECT_EQ(url->scheme(), QStringLiteral("qrc"));
        EXPECT_TRUE(url->path().startsWith(QStringLiteral("/bundles/TavrinConnect/")));
        QFile movie(QLatin1Char(':') + url->path());
        ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
        EXPECT_LT(movie.size(), 300 * 1024);
        // An ISO media file: its first box is the file type, branded MP4.
        const QByteArray head = movie.read(12);
        EXPECT_EQ(head.mid(4, 4), QByteArray("ftyp"));
        EXPECT_TRUE(head.mid(8, 3) == "mp4" || head.mid(8, 4) == "isom") << head.mid(8).constData();
    }
}

} // namespace
