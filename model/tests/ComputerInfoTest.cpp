#include "model/connections/ComputerInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using ambrel::ComputerInfo;

namespace {

// A stand-in machine: system files below a temporary root.
class Machine : public ::testing::Test {
protected:
    void write(const char* path, const QByteArray& bytes) {
        const QString file = dir.filePath(QString::fromLatin1(path));
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    ComputerInfo info() const { return ComputerInfo(dir.path()); }

    QTemporaryDir dir;
};

ambrel::LocalizedStringTable emptyTable() {
    return ambrel::LocalizedStringTable(platform::Bundle::named(QStringLiteral("AmbrelTestBundle")),
                                        QStringLiteral("Empty"));
}

} // namespace

TEST_F(Machine, hardwareModelFallsBackInOrder) {
    EXPECT_EQ(info().hardwareModel(), u"Unknown"_qs);
    write("proc/device-tree/model", QByteArray("Board 4 Model B\0", 16));
    EXPECT_EQ(info().hardwareModel(), u"Board 4 Model B"_qs);
    write("sys/class/dmi/id/product_name", "  \n");
    EXPECT_EQ(info().hardwareModel(), u"Board 4 Model B"_qs);
    write("sys/class/dmi/id/product_name", "ThinkBox T14\n");
    EXPECT_EQ(info().hardwareModel(), u"ThinkBox T14"_qs);
}

// Without firmware tables (a virtual machine, a container), or with a
// board's placeholder text in them, the host name names the computer.
TEST_F(Machine, theHostNameNamesAComputerWithoutAProductName) {
    write("etc/hostname", "studio-pc\n");
    EXPECT_EQ(info().hardwareModel(), u"studio-pc"_qs);
    write("proc/sys/kernel/hostname", "print-room\n");
    EXPECT_EQ(info().hardwareModel(), u"print-room"_qs);
    write("sys/class/dmi/id/product_name", "To Be Filled By O.E.M.\n");
    EXPECT_EQ(info().hardwareModel(), u"print-room"_qs);
    write("sys/class/dmi/id/product_name", "System Product Name");
    EXPECT_EQ(info().hardwareModel(), u"print-room"_qs);
    write("sys/class/dmi/id/product_name", "Workstation 7010\n");
    EXPECT_EQ(info().hardwareModel(), u"Workstation 7010"_qs);
}

TEST(ComputerInfo, theRunningMachineIsNeverUnknownWhenItHasAName) {
    // This machine's own files, as the status list reads them.
    if (QFile::exists(QStringLiteral("/proc/sys/kernel/hostname"))) {
        EXPECT_NE(ComputerInfo().hardwareModel(), u"Unknown"_qs);
    }
}

TEST_F(Machine, undecodableModelIsUnknown) {
    write("sys/class/dmi/id/product_name", "\xff\xfe\xfa");
    EXPECT_EQ(info().hardwareModel(), u"Unknown"_qs);
}

TEST_F(Machine, operatingSystemNameAndKernel) {
    EXPECT_EQ(info().operatingSystemVersion(), u"Linux"_qs);
    EXPECT_EQ(info().operatingSystemMajorVersion(), 0);
    write("proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    EXPECT_EQ(info().operatingSystemVersion(), u"Linux, kernel 6.1.0-18-amd64"_qs);
    EXPECT_EQ(info().operatingSystemMajorVersion(), 6);
    write("usr/lib/os-release", "NAME=\"Tiny OS\"\nVERSION='3.2'\n");
    EXPECT_EQ(info().operatingSystemVersion(), u"Tiny OS 3.2, kernel 6.1.0-18-amd64"_qs);
    write("etc/os-release", "# comment\nPRETTY_NAME=\"Debian \\\"GNU\\\"/Linux 12\"\n"
                            "VERSION_ID=\"12\"\n");
    EXPECT_EQ(info().operatingSystemVersion(),
              u"Debian \"GNU\"/Linux 12, kernel 6.1.0-18-amd64"_qs);
    EXPECT_EQ(info().operatingSystemMajorVersion(), 12);
}

TEST(ComputerInfo, applicationVersionLine) {
    const auto& table = ambrel::LocalizedStringTable::ambrel();
    QVariantMap infoDictionary{{u"CFBundleShortVersionString"_qs, u"2.1"_qs},
                               {u"CFBundleVersion"_qs, u"314"_qs}};
    EXPECT_EQ(ComputerInfo::applicationVersion(infoDictionary, table), u"Version 2.1 (314)"_qs);
    infoDictionary[u"CFBundleVersion"_qs] = 314; // not a text
    infoDictionary.remove(u"CFBundleShortVersionString"_qs);
    EXPECT_EQ(ComputerInfo::applicationVersion(infoDictionary, table),
              u"Version unknown (unknown)"_qs);
    EXPECT_EQ(ComputerInfo::applicationVersion({}, emptyTable()), u"unknown (unknown)"_qs);
}
