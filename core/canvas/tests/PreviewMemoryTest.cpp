#include "core/canvas/preview/PreviewImageRules.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace kestrom;

namespace {

qint64 addressSpaceInUse() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:")) {
            return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return -1;
}

} // namespace

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
    const qint64 inUse = addressSpaceInUse();
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
