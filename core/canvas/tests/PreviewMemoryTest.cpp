#include "core/canvas/preview/PreviewImageRules.h"
#include "platform/tests/support/ProcessMemory.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace kestrom;

// Without memory for the converted preview there is no preview this time;
// the process goes on, and with the memory back the same conversion works.
TEST(PreviewMemory, aConversionTheMemoryRunsOutForGivesNoPreview) {
#ifdef LUNVIK_SANITIZED_BUILD
    GTEST_SKIP() << "the sanitizers reserve address space of their own";
#endif
    QImage drawn(6000, 4000, QImage::Format_Grayscale8);
    ASSERT_FALSE(drawn.isNull());
    drawn.fill(90);
    const ambrel::BlackConversion conversion = ambrel::BlackConversion::threshold();
    const qint64 inUse = ProcessMemory::addressSpaceInUse();
    ASSERT_GT(inUse, 0);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    rlimit capped = old;
    capped.rlim_cur = rlim_t(inUse + 8 * 1024 * 1024); // less than its 24 MB of rows
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    const QImage refused = PreviewImageRules::convertPreview(drawn, conversion, std::nullopt,
                                                             ambrel::ImageRotation::none);
    setrlimit(RLIMIT_AS, &old);
    EXPECT_TRUE(refused.isNull());
    const QImage converted = PreviewImageRules::convertPreview(drawn, conversion, std::nullopt,
                                                               ambrel::ImageRotation::none);
    EXPECT_EQ(converted.size(), drawn.size());
}
