#include "imaging/gpu/SildorImageFunctionParameter.h"
#include "imaging/gpu/SildorImageBuiltinFilter.h"
#include "imaging/gpu/SildorImageBuiltinGenerator.h"
#include "platform/compute/CommandBuffer.h"
#include "platform/compute/ComputeCommandEncoder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace sildor;

namespace {

template <class T> QByteArray bytesOf(const T& value) {
    const auto v = metalValue(value);
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof(v));
}

struct Range {
    double lowerBound;
    double upperBound;
};

QByteArray buffer(const platform::compute::KernelArguments& a, std::size_t index) {
    if (!a.buffers[index]) {
        return "absent";
    }
    return QByteArray(reinterpret_cast<const char*>(a.buffers[index]->data()),
                      qsizetype(a.buffers[index]->size()));
}

QByteArray float32(float f) {
    return QByteArray(reinterpret_cast<const char*>(&f), 4);
}
QByteArray int32(std::int32_t i) {
    return QByteArray(reinterpret_cast<const char*>(&i), 4);
}

} // namespace

TEST(SildorImageFunctionParameter, HostValuesBecomeKernelValues) {
    EXPECT_EQ(bytesOf(QPointF(1.5, 2.25)).toHex(' '), "00 00 c0 3f 00 00 10 40");
    EXPECT_EQ(metalValueLength<QPointF>(), 8u);
    EXPECT_EQ(bytesOf(QSizeF(15, 15)), float32(15) + float32(15));
    EXPECT_EQ(metalValueLength<QSizeF>(), 8u);
    EXPECT_EQ(bytesOf(true), QByteArray(1, '\x01'));
    EXPECT_EQ(metalValueLength<bool>(), 1u);
    EXPECT_EQ(bytesOf(0.1), float32(0.1f));
    EXPECT_EQ(metalValueLength<double>(), 4u);
    EXPECT_EQ(bytesOf(qint64(-3)), int32(-3));
    EXPECT_EQ(metalValueLength<qint64>(), 4u);
    EXPECT_EQ(bytesOf(std::uint32_t(7)).size(), 4);
    EXPECT_EQ(bytesOf(SildorImageBuiltinFilter::Axis::y), int32(1));
    EXPECT_EQ(bytesOf(Range{0.25, 0.75}), float32(0.25f) + float32(0.75f));
    EXPECT_EQ(metalValueLength<Range>(), 8u);
    const auto list = metalValue(std::vector<double>{0.5, 2.0});
    EXPECT_EQ(list, (std::vector<float>{0.5f, 2.0f}));
    const auto axes = metalValue(QList<SildorImageBuiltinFilter::Axis>{
        SildorImageBuiltinFilter::Axis::y, SildorImageBuiltinFilter::Axis::x});
    EXPECT_EQ(axes, (std::vector<std::int32_t>{1, 0}));
}

TEST(SildorImageFunctionParameter, AxesHaveTwoRawValues) {
    EXPECT_EQ(SildorImageBuiltinFilter::axis(0), SildorImageBuiltinFilter::Axis::x);
    EXPECT_EQ(SildorImageBuiltinFilter::axis(1), SildorImageBuiltinFilter::Axis::y);
    EXPECT_EQ(SildorImageBuiltinFilter::axis(2), std::nullopt);
    EXPECT_EQ(SildorImageBuiltinFilter::axis(-1), std::nullopt);
}

TEST(SildorImageFunctionParameter, BuiltinFiltersSetTheirKernelAndBuffers) {
    using F = SildorImageBuiltinFilter;
    struct Row {
        SildorImageFunction* function;
        QString kernel;
        QByteArray buffer0;
        QByteArray buffer1;
    };
    F level = F::level(0.4, 0.6);
    F gamma = F::gamma(1.6);
    F threshold = F::threshold(0.5);
    F blur = F::gaussianBlur(F::Axis::y, 2.5);
    F rotate = F::rotate90(-1);
    auto solid = SildorImageBuiltinGenerator::solidColor(0.25);
    const Row rows[] = {
        {&level, "level", float32(0.4f), float32(0.6f)},
        {&gamma, "gamma", float32(1.6f), "absent"},
        {&threshold, "threshold", float32(0.5f), "absent"},
        {&blur, "gaussianBlur", int32(1), float32(2.5f)},
        {&rotate, "rotate90", int32(-1), "absent"},
        {&solid, "solidColor", float32(0.25f), "absent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kernel.toStdString());
        SildorContext context;
        auto commandBuffer = context.commandQueue()->commandBuffer();
        auto encoder = commandBuffer->computeCommandEncoder();
        row.function->setupComputeEncoder(*encoder, context);
        EXPECT_EQ(encoder->computePipelineState()->functionName(), row.kernel);
        EXPECT_EQ(buffer(encoder->currentArguments(), 0), row.buffer0);
        EXPECT_EQ(buffer(encoder->currentArguments(), 1), row.buffer1);
        // The image binds the textures, never the function.
        EXPECT_EQ(encoder->currentArguments().texture(0), nullptr);
        encoder->endEncoding();
    }
    EXPECT_EQ(F::gamma(2.0), F::gamma(2.0));
    EXPECT_FALSE(F::gamma(2.0) == F::threshold(2.0));
    EXPECT_FALSE(F::gaussianBlur(F::Axis::x, 1) == F::gaussianBlur(F::Axis::y, 1));
}
