#include "imaging/gpu/SildorContext.h"
#include "imaging/gpu/SildorImageBuiltinFilter.h"
#include "imaging/gpu/SildorImageBuiltinGenerator.h"
#include "platform/Bundle.h"
#include "platform/compute/ComputeError.h"
#include "platform/compute/ComputeTestHooks.h"

#include <gtest/gtest.h>

#include <thread>

using namespace sildor;
using platform::compute::ComputeTestHooks;

TEST(SildorContext, CompilesEachKernelOncePerContext) {
    SildorContext context;
    const auto bundle = SildorImageBuiltinFilter::bundle();
    const auto level = context.pipelineState({bundle, "level"});
    ASSERT_TRUE(level);
    EXPECT_EQ(context.pipelineState({bundle, "level"}), level);
    const auto gamma = context.pipelineState({bundle, "gamma"});
    EXPECT_NE(gamma, level);
    EXPECT_EQ(context.pipelineStates().size(), 2u);
    EXPECT_EQ(context.pipelineStates()[0].first.name, "level");
    EXPECT_EQ(context.librariesForBundle().size(), 1);

    // Another context compiles again.
    SildorContext other;
    EXPECT_NE(other.pipelineState({bundle, "level"}), level);
}

TEST(SildorContext, SharedByThreadsItStillCompilesOnce) {
    SildorContext context;
    const auto bundle = SildorImageBuiltinFilter::bundle();
    std::vector<std::shared_ptr<platform::compute::ComputePipelineState>> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] { seen[i] = context.pipelineState({bundle, "threshold"}); });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const auto& s : seen) {
        EXPECT_EQ(s, seen[0]);
    }
    EXPECT_EQ(context.pipelineStates().size(), 1u);
}

TEST(SildorContext, KernelsThatCannotBeHadAreReportedAndNotCached) {
    SildorContext context;
    try {
        context.pipelineState({SildorImageBuiltinFilter::bundle(), "sharpen"});
        ADD_FAILURE() << "a kernel that does not exist compiled";
    } catch (const SildorContext::FuncionError& e) {
        EXPECT_EQ(e.functionName(), "sharpen");
        EXPECT_EQ(e, SildorContext::FuncionError::noFunction("sharpen"));
    }
    // The library itself was loaded and is kept; the missing kernel is not.
    EXPECT_EQ(context.librariesForBundle().size(), 1);
    EXPECT_TRUE(context.pipelineStates().empty());

    const auto* empty = platform::Bundle::named("SildorNoKernels");
    try {
        context.pipelineState({empty, "level"});
        ADD_FAILURE() << "a bundle without kernels gave a library";
    } catch (const platform::compute::ComputeError& e) {
        EXPECT_EQ(e.errorCode(), platform::compute::ComputeError::Code::noDefaultLibrary);
    }
    EXPECT_EQ(context.librariesForBundle().size(), 1);
}

TEST(SildorContext, NeedsADeviceAndAQueue) {
    using Case = SildorContext::InitializationError::Case;
    for (const auto& [fault, expected] :
         {std::pair{ComputeTestHooks::Fault::noDevice, Case::noDevice},
          std::pair{ComputeTestHooks::Fault::noCommandQueue, Case::noCommandQueue}}) {
        ComputeTestHooks::Scope scope(fault);
        try {
            SildorContext context;
            ADD_FAILURE() << "a context without " << int(expected);
        } catch (const SildorContext::InitializationError& e) {
            EXPECT_EQ(e.errorCase(), expected);
            EXPECT_EQ(e.code(), qint64(expected));
        }
    }
}

TEST(SildorContext, DescriptorsFollowTheAssignedBundle) {
    const auto* original = SildorImageBuiltinFilter::bundle();
    EXPECT_EQ(original->name(), "SildorImage");
    QStringList names;
    for (const auto& d : SildorImageBuiltinFilter::functionDescriptors()) {
        names << d.name;
        EXPECT_EQ(d.bundle, original);
    }
    EXPECT_EQ(names, QStringList({"level", "gamma", "threshold", "gaussianBlur", "rotate90"}));

    const auto* other = platform::Bundle::named("SildorElsewhere");
    SildorImageBuiltinFilter::setBundle(other);
    SildorImageBuiltinGenerator::setBundle(other);
    for (const auto& d : SildorImageBuiltinFilter::functionDescriptors()) {
        EXPECT_EQ(d.bundle, other);
    }
    const auto generated = SildorImageBuiltinGenerator::functionDescriptors();
    ASSERT_EQ(generated.size(), 1);
    EXPECT_EQ(generated[0].bundle, other);
    EXPECT_EQ(generated[0].name, "solidColor");
    SildorImageBuiltinFilter::setBundle(nullptr);
    SildorImageBuiltinGenerator::setBundle(nullptr);
    EXPECT_EQ(SildorImageBuiltinFilter::bundle(), original);

    // Equal descriptors hash alike; bundles and names both count.
    const SildorContext::FunctionDescriptor a{original, "level"};
    EXPECT_EQ(qHash(a), qHash(SildorContext::FunctionDescriptor{original, "level"}));
    EXPECT_NE(a, (SildorContext::FunctionDescriptor{other, "level"}));
    EXPECT_NE(a, (SildorContext::FunctionDescriptor{original, "gamma"}));
}
