#include "platform/ApplicationInfo.h"
#include "platform/Bundle.h"

#include <gtest/gtest.h>

using platform::ApplicationInfo;

namespace {

TEST(ApplicationInfo, readsTheMainBundlesInformation) {
    platform::Bundle::setMainBundleName("PlatformTestBundle");
    EXPECT_EQ(ApplicationInfo::identifier(), "org.lunvik.tests.platform");
    EXPECT_EQ(ApplicationInfo::shortVersion(), "1.2.3");
    EXPECT_EQ(ApplicationInfo::displayName(), "PlatformTestBundle"); // no name given: the bundle's
    platform::Bundle::setMainBundleName("NoSuchBundle");
    EXPECT_EQ(ApplicationInfo::shortVersion(), "");
    EXPECT_EQ(ApplicationInfo::identifier(), "org.lunvik.NoSuchBundle");
    platform::Bundle::setMainBundleName("Lunvik");
}

} // namespace
