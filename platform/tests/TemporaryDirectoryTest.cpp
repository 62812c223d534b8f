#include "platform/TemporaryDirectory.h"
#include "platform/Bundle.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::TemporaryDirectory;

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

class TemporaryDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    QTemporaryDir runtime;
};

TEST_F(TemporaryDirectoryTest, pathIsPrivateRootThenIdentifierThenSubpath) {
    const QString identifier = platform::Bundle::main()->identifier();
    EXPECT_EQ(TemporaryDirectory::pathForApplicationTemporaryDirectory(),
              runtime.path() + "/" + identifier);
    const QString drop = TemporaryDirectory::pathForApplicationTemporaryDirectory(QString("drop"));
    EXPECT_TRUE(drop.endsWith(identifier + "/drop"));
    EXPECT_TRUE(TemporaryDirectory::urlForApplicationTemporaryDirectory(QString("Drop"))
                    .toLocalFile()
                    .endsWith(identifier + "/Drop"));
    EXPECT_FALSE(QFileInfo::exists(drop)); // nothing is made by asking

    TemporaryDirectory::createDirectory(drop);
    TemporaryDirectory::createDirectory(drop); // already there: fine
    EXPECT_TRUE(QFileInfo(drop).isDir());
}

TEST_F(TemporaryDirectoryTest, aRuntimeFolderOpenToOthersIsNotUsed) {
    ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
    const QString root = TemporaryDirectory::privateRoot();
    EXPECT_NE(root, runtime.path());
    EXPECT_TRUE(root.startsWith(QDir::tempPath()));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(root).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TemporaryDirectoryTest, newFilesNeverReplaceExistingOnes) {
    const QString folder = runtime.path();
    const QString first = TemporaryDirectory::writeNewFile(folder, "picture.png", "one");
    const QString second =
        TemporaryDirectory::writeNewFile(folder, "/elsewhere/picture.png", "two");
    const QString third = TemporaryDirectory::writeNewFile(folder, "picture.png", "three");
    EXPECT_EQ(first, folder + "/picture.png");
    EXPECT_EQ(second, folder + "/picture 2.png");
    EXPECT_EQ(third, folder + "/picture 3.png");
    EXPECT_EQ(contents(first), "one");
    EXPECT_EQ(contents(second), "two");
    EXPECT_EQ(TemporaryDirectory::writeNewFile(folder, "..", "x"), folder + "/Untitled");
    EXPECT_EQ(TemporaryDirectory::writeNewFile(folder, ".hidden", "x"), folder + "/.hidden");
    EXPECT_EQ(TemporaryDirectory::writeNewFile(folder, ".hidden", "y"), folder + "/.hidden 2");
    EXPECT_THROW(TemporaryDirectory::writeNewFile(folder + "/missing", "a.png", "x"),
                 platform::Error);
}

} // namespace
