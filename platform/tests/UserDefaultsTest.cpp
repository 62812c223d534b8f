#include "platform/UserDefaults.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

using platform::KeyValueChange;
using platform::UserDefaults;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("config/org.lunvik.Test.plist"); }
    QStringList filesBeside() const {
        return QDir(dir.filePath("config")).entryList(QDir::Files | QDir::Hidden);
    }
    void writeFile(const QByteArray& bytes) {
        QDir().mkpath(dir.filePath("config"));
        writeBytes(path(), bytes);
    }
    static void writeBytes(const QString& filePath, const QByteArray& bytes) {
        QFile file(filePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir dir;
};

TEST_F(UserDefaultsTest, valuesAreWrittenAtOnceAndTypedOnReading) {
    {
        UserDefaults defaults(path());
        EXPECT_FALSE(defaults.contains("name"));
        defaults.setString("name", "Alpha");
        defaults.setBool("accepted", true);
        defaults.setInteger("count", 3);
        defaults.setDouble("ratio", 0.5);
        defaults.setObject("settings", QVariantMap{{"Alpha", QVariantMap{{"speed", 2.0}}}});
    }
    EXPECT_EQ(filesBeside(), QStringList{"org.lunvik.Test.plist"}); // nothing left beside it
    UserDefaults defaults(path());
    EXPECT_EQ(defaults.string("name"), "Alpha");
    EXPECT_TRUE(defaults.boolValue("accepted"));
    EXPECT_EQ(defaults.integer("count"), 3);
    EXPECT_EQ(defaults.doubleValue("ratio"), 0.5);
    EXPECT_EQ(defaults.dictionary("settings").value("Alpha").toMap().value("speed"), 2.0);
    // Other kinds read as empty values.
    EXPECT_EQ(defaults.string("count"), QString());
    EXPECT_TRUE(defaults.dictionary("name").isEmpty());
    EXPECT_EQ(defaults.integer("settings"), 0);
    EXPECT_FALSE(defaults.boolValue("missing"));

    defaults.removeObject("name");
    defaults.setObject("count", QVariant());
    EXPECT_EQ(UserDefaults(path()).dictionaryRepresentation().keys(),
              (QStringList{"accepted", "ratio", "settings"}));
}

TEST_F(UserDefaultsTest, registeringKeepsWhatIsThereAndIsPersistent) {
    UserDefaults defaults(path());
    defaults.setObject("present", "other type");
    defaults.registerDefault("present", false);
    defaults.registerDefault("absent", false);
    UserDefaults later(path());
    EXPECT_EQ(later.object("present"), QVariant("other type"));
    EXPECT_EQ(later.object("absent"), QVariant(false));
}

TEST_F(UserDefaultsTest, unstorableValuesAreRefusedBeforeAnythingIsWritten) {
    UserDefaults defaults(path());
    defaults.setInteger("kept", 1);
    EXPECT_THROW(defaults.setObject("size", QVariant::fromValue(QSize(1, 1))), platform::Error);
    EXPECT_THROW(defaults.setObject("list", QVariantList{QVariant()}), platform::Error);
    EXPECT_FALSE(defaults.contains("size"));
    EXPECT_EQ(UserDefaults(path()).dictionaryRepresentation(), (QVariantMap{{"kept", qint64(1)}}));
}

TEST_F(UserDefaultsTest, aDamagedFileIsMovedAsideAndDefaultsAreUsed) {
    writeFile("bplist00 this is not a property list");
    testing::internal::CaptureStderr();
    UserDefaults defaults(path());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty());
    EXPECT_NE(err.find("damaged"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    const QStringList files = filesBeside();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("org.lunvik.Test.plist.damaged-"));
    QFile aside(dir.filePath("config/" + files[0]));
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_EQ(aside.readAll(), "bplist00 this is not a property list"); // bytes kept

    defaults.setBool("fresh", true);
    EXPECT_EQ(filesBeside().size(), 2);
    EXPECT_TRUE(UserDefaults(path()).boolValue("fresh"));

    // A file that is a property list but not a dictionary is damaged too.
    writeFile(platform::PropertyList::toData(QVariantList{1, 2}));
    testing::internal::CaptureStderr();
    UserDefaults again(path());
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(again.dictionaryRepresentation().isEmpty());
    EXPECT_EQ(filesBeside().size(), 2);
}

// A device or a named pipe in the file's place would be read for ever or
// wait for a writer: it is set aside as a damaged file is, and a link to a
// plain file elsewhere is still read.
TEST_F(UserDefaultsTest, whatIsNoPlainFileIsSetAsideAndALinkedFileIsRead) {
    QDir().mkpath(dir.filePath("config"));
    for (const char* kind : {"device", "pipe"}) {
        SCOPED_TRACE(kind);
        QFile::remove(path());
        if (QByteArray(kind) == "device") {
            ASSERT_TRUE(QFile::link("/dev/zero", path()));
        } else {
            ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
        }
        testing::internal::CaptureStderr();
        UserDefaults defaults(path());
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("damaged"), std::string::npos) << err;
        EXPECT_TRUE(defaults.dictionaryRepresentation().isEmpty());
        defaults.setBool("fresh", true);
        EXPECT_TRUE(QFileInfo(path()).isFile());
        EXPECT_FALSE(QFileInfo(path()).isSymLink());
        EXPECT_TRUE(UserDefaults(path()).boolValue("fresh"));
    }

    const QString elsewhere = dir.filePath("dotfiles.plist");
    UserDefaults(elsewhere).setString("LastModelName", "Alpha");
    QFile::remove(path());
    ASSERT_TRUE(QFile::link(elsewhere, path()));
    EXPECT_EQ(UserDefaults(path()).string("LastModelName"), "Alpha");
}

TEST_F(UserDefaultsTest, aFileDamagedWhileRunningLosesNothingOfThisRun) {
    UserDefaults defaults(path());
    defaults.setString("LastModelName", "Alpha");
    writeFile("bplist00 damaged by someone else");
    testing::internal::CaptureStderr();
    defaults.setBool("ScriptingPrintHasBeenAccepted", true);
    testing::internal::GetCapturedStderr();
    const QVariantMap saved = UserDefaults(path()).dictionaryRepresentation();
    EXPECT_EQ(saved.value("LastModelName"), QVariant("Alpha"));
    EXPECT_EQ(saved.value("ScriptingPrintHasBeenAccepted"), QVariant(true));
    EXPECT_EQ(filesBeside().size(), 2); // the damaged bytes were moved aside

    QFile::remove(path());
    defaults.setString("other", "x");
    EXPECT_EQ(UserDefaults(path()).string("LastModelName"), "Alpha");
}

TEST_F(UserDefaultsTest, aFileThatCannotBeReadIsNeverWrittenOver) {
    // A folder where the file should be: it exists but cannot be read.
    QDir().mkpath(path());
    writeBytes(path() + "/inside", "kept");
    testing::internal::CaptureStderr();
    UserDefaults defaults(path());
    defaults.setBool("lost", true); // kept for this run only
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be read"), std::string::npos) << err;
    EXPECT_TRUE(defaults.boolValue("lost"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(QDir(path()).entryList(QDir::Files), QStringList{"inside"});
}

TEST_F(UserDefaultsTest, changesOfAnotherInstanceAreKept) {
    UserDefaults first(path());
    UserDefaults second(path());
    first.setString("a", "from first");
    second.setString("b", "from second");
    const QVariantMap both = UserDefaults(path()).dictionaryRepresentation();
    EXPECT_EQ(both.value("a"), QVariant("from first"));
    EXPECT_EQ(both.value("b"), QVariant("from second"));
}

TEST_F(UserDefaultsTest, keysAreObservable) {
    UserDefaults defaults(path());
    QList<QVariant> seen;
    auto observation =
        defaults.observe("LastModelName", platform::Observable::Initial | platform::Observable::New,
                         [&](const KeyValueChange& c) { seen << c.newValue; });
    defaults.setString("LastModelName", "Beta");
    EXPECT_EQ(seen, (QList<QVariant>{QVariant(), QVariant("Beta")}));
}

TEST_F(UserDefaultsTest, theStandardFileLivesInTheConfigurationFolder) {
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    EXPECT_EQ(UserDefaults::standardFilePath(),
              dir.path() + "/" + platform::Bundle::main()->identifier() + ".plist");
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(UserDefaults::standardFilePath(),
              QDir::homePath() + "/.config/" + platform::Bundle::main()->identifier() + ".plist");
    UserDefaults::setStandardFilePath(path());
    UserDefaults::standard().setBool("x", true);
    EXPECT_TRUE(UserDefaults(path()).boolValue("x"));
}

} // namespace
