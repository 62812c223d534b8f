#include "imaging/print/BlackConversionPass.h"
#include "imaging/print/QuentaResources.h"
#include "platform/Bundle.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <gtest/gtest.h>

using namespace quenta;
using sildor::SildorImageBuiltinFilter;
using Config = BlackConversionPass::OutputConfiguration;
using Purpose = Config::Purpose;

namespace {

ambrel::BlackConversion halftone(double linesPerInch = 20, double angle = 30, double brightness = 0,
                                 double black = 0, double white = 0) {
    return ambrel::BlackConversion::halftone({linesPerInch, angle, brightness, black, white});
}

Config config(Purpose purpose, double dpi = 600, std::optional<DeviceBlackConversionInfo> info = {},
              qint64 turns = 0) {
    Config c;
    c.purpose = purpose;
    c.dpi = ambrel::Dpi(dpi);
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = turns;
    return c;
}

DeviceBlackConversionInfo withDeviceGamma(std::optional<double> gamma) {
    DeviceBlackConversionInfo info;
    info.halftone = DeviceBlackConversionInfo::HalftoneInfo{gamma};
    return info;
}

QStringList kernels(const std::vector<BlackConversionPass::Filter>& chain) {
    QStringList names;
    for (const auto& f : chain) {
        names << (std::holds_alternative<MyFilter>(f)
                      ? QStringLiteral("halftone")
                      : std::get<SildorImageBuiltinFilter>(f).kernelName());
    }
    return names;
}

const MyFilter& screen(const std::vector<BlackConversionPass::Filter>& chain) {
    return std::get<MyFilter>(chain.back());
}

} // namespace

TEST(BlackConversionChain, ThresholdIsOneKernelWhateverTheExpansion) {
    for (qint64 expansion : {-5, 0, 3}) {
        for (Purpose purpose : {Purpose::output, Purpose::preview}) {
            const auto chain = BlackConversionPass::filters(
                ambrel::BlackConversion::threshold({0.3, expansion}), config(purpose));
            ASSERT_EQ(chain.size(), 1u);
            EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[0]),
                      SildorImageBuiltinFilter::threshold(0.3));
        }
    }
}

TEST(BlackConversionChain, HalftoneOutputAddsTheDeviceGammaOnlyWhenGiven) {
    const QStringList three{"level", "gamma", "halftone"};
    EXPECT_EQ(kernels(BlackConversionPass::filters(halftone(), config(Purpose::output))), three);
    EXPECT_EQ(kernels(BlackConversionPass::filters(
                  halftone(), config(Purpose::output, 600, DeviceBlackConversionInfo()))),
              three);
    EXPECT_EQ(kernels(BlackConversionPass::filters(
                  halftone(), config(Purpose::output, 600, withDeviceGamma(std::nullopt)))),
              three);

    const auto chain = BlackConversionPass::filters(
        halftone(20, 30, -0.6, 0.4, 0.4), config(Purpose::output, 600, withDeviceGamma(0.9)));
    ASSERT_EQ(kernels(chain), QStringList({"level", "gamma", "gamma", "halftone"}));
    EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[0]),
              SildorImageBuiltinFilter::level(0.4, 0.6));
    EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[1]), SildorImageBuiltinFilter::gamma(0.9));
    EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[2]), SildorImageBuiltinFilter::gamma(1.6));
}

TEST(BlackConversionChain, PreviewStaysGray) {
    const auto chain = BlackConversionPass::filters(
        halftone(20, 30, 0.25, 0.1, 0.2), config(Purpose::preview, 600, withDeviceGamma(0.9)));
    ASSERT_EQ(kernels(chain), QStringList({"level", "gamma"}));
    EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[0]),
              SildorImageBuiltinFilter::level(0.1, 0.8));
    EXPECT_EQ(std::get<SildorImageBuiltinFilter>(chain[1]), SildorImageBuiltinFilter::gamma(0.75));
}

TEST(BlackConversionChain, ScreenAngleAndCellFollowTurnsAndResolution) {
    struct Row {
        double dpi, linesPerInch, angle;
        qint64 turns;
        double expectedAngle, expectedCell;
    };
    const Row rows[] = {
        {600, 20, 30, 1, 2.0943951023931953, 15},
        {600, 20, 30, 0, 0.5235987755982988, 15},
        {1200, 60, 30, 0, 0.5235987755982988, 10},
        {600, 20, 45, -1, -0.7853981633974483, 15},
    };
    for (const Row& row : rows) {
        Config c = config(Purpose::output, row.dpi, std::nullopt, row.turns);
        c.filterOffset = QPointF(3, 4);
        const auto chain = BlackConversionPass::filters(halftone(row.linesPerInch, row.angle), c);
        EXPECT_DOUBLE_EQ(screen(chain).angle(), row.expectedAngle);
        EXPECT_EQ(screen(chain).patternScale(), QSizeF(row.expectedCell, row.expectedCell));
        EXPECT_EQ(screen(chain).patternOffset(), QPointF(3, 4));
    }
}

TEST(BlackConversionChain, ScreenFilterPassesItsParametersAsFloats) {
    const auto filter = MyFilter::halftone(2.0943951023931953, QPointF(1.5, 2.25), QSizeF(15, 15));
    const auto descriptors = MyFilter::functionDescriptors();
    ASSERT_EQ(descriptors.size(), 1);
    EXPECT_EQ(descriptors[0].name, "halftone");
    EXPECT_EQ(descriptors[0].bundle, platform::Bundle::named("Quenta"));

    sildor::SildorContext context;
    auto buffer = context.commandQueue()->commandBuffer();
    auto encoder = buffer->computeCommandEncoder();
    filter.setupComputeEncoder(*encoder, context);
    EXPECT_EQ(encoder->computePipelineState()->functionName(), "halftone");
    const auto& args = encoder->currentArguments();
    const float angle = float(2.0943951023931953);
    EXPECT_EQ(*args.buffers[0],
              std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&angle),
                                        reinterpret_cast<const std::uint8_t*>(&angle) + 4));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(args.buffers[1]->data()), 8).toHex(' '),
              "00 00 c0 3f 00 00 10 40");
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(args.buffers[2]->data()), 8).toHex(' '),
              "00 00 70 41 00 00 70 41");
    encoder->endEncoding();
}
