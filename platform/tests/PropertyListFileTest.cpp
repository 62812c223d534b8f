#include "platform/Error.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using platform::PropertyList;

namespace {

QVariantMap everyKind() {
    return {{"integer", qint64(-7)},
            {"big", qint64(1) << 40},
            {"real", 0.125},
            {"flag", false},
            {"text", QString::fromUtf8("Größe ✓")},
            {"data", QByteArray("\x00\x10\xfe", 3)},
            {"date", QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), QTimeZone::utc())},
            {"array", QVariantList{1, "two", QVariantList{}}},
            {"dictionary", QVariantMap{{"inner", true}}}};
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString errorOfReading(const QString& path) {
    try {
        PropertyList::readFile(path);
    } catch (const platform::Error& error) {
        return error.localizedDescription();
    }
    return {};
}

TEST(PropertyListFile, binaryFileReadsBackEqualAlsoThroughPlistutil) {
    QTemporaryDir dir;
    const QString path = dir.filePath("values.plist");
    PropertyList::writeFile(path, everyKind());
    EXPECT_EQ(PropertyList::readFile(path).toMap(), everyKind());

    const QString tool = QStandardPaths::findExecutable("plistutil");
    if (tool.isEmpty()) {
        GTEST_SKIP() << "plistutil is not installed";
    }
    // plistutil turns it into XML; our reader reads that back equal too.
    const QString xml = dir.filePath("values.xml");
    ASSERT_EQ(QProcess::execute(tool, {"-i", path, "-o", xml}), 0);
    QFile file(xml);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.peek(5) == "<?xml");
    EXPECT_EQ(PropertyList::readFile(xml).toMap(), everyKind());
}

TEST(PropertyListFile, damagedFilesAreErrorsNamingTheFile) {
    QTemporaryDir dir;
    const QByteArray good = PropertyList::toData(everyKind(), PropertyList::Format::Binary);
    const QList<QByteArray> damaged = {good.left(good.size() / 2),
                                       good.left(9),
                                       QByteArray("bplist00"),
                                       QByteArray("garbage\x01\x02", 9),
                                       QByteArray("<plist><dict><key>a</key>"),
                                       QByteArray()};
    int n = 0;
    for (const QByteArray& bytes : damaged) {
        const QString path = dir.filePath(QString("damaged-%1.plist").arg(n++));
        writeBytes(path, bytes);
        const QString message = errorOfReading(path);
        EXPECT_TRUE(message.contains(path)) << n << ": " << message.toStdString();
    }
    const QString missing = dir.filePath("missing.plist");
    EXPECT_TRUE(errorOfReading(missing).contains(missing));
}

// Texts are stored as UTF-16 when they are not ASCII; a NUL code unit in a
// key or a value must be refused, not reach the parser's own checks.
TEST(PropertyListFile, textsHoldingANulCharacterAreRefused) {
    for (const QVariantMap& value : {QVariantMap{{QString::fromUtf8("k\u00e9y"), true}},
                                     QVariantMap{{"key", QString::fromUtf8("v\u00e9l")}}}) {
        QByteArray bytes = PropertyList::toData(value, PropertyList::Format::Binary);
        const qsizetype at = bytes.indexOf(QByteArray("\x00\xe9", 2));
        ASSERT_GT(at, 0);
        bytes[at + 1] = 0;
        QString why;
        EXPECT_FALSE(PropertyList::fromData(bytes, &why).isValid());
        EXPECT_FALSE(why.isEmpty());
    }
}

// Arrays nested `depth` deep, each holding the next, in the binary form:
// four-byte offsets and references.
QByteArray nestedBinaryArrays(quint32 depth) {
    const auto bigEndian = [](QByteArray& bytes, quint64 value, int size) {
        for (int i = size - 1; i >= 0; --i) {
            bytes.append(char((value >> (8 * i)) & 0xff));
        }
    };
    QByteArray bytes("bplist00");
    QList<quint64> offsets;
    for (quint32 i = 0; i < depth; ++i) {
        offsets << quint64(bytes.size());
        if (i + 1 < depth) {
            bytes.append(char(0xa1));
            bigEndian(bytes, i + 1, 4);
        } else {
            bytes.append(char(0xa0));
        }
    }
    const quint64 table = quint64(bytes.size());
    for (const quint64 offset : offsets) {
        bigEndian(bytes, offset, 4);
    }
    bytes.append(QByteArray(6, 0));
    bytes.append(char(4));
    bytes.append(char(4));
    bigEndian(bytes, depth, 8);
    bigEndian(bytes, 0, 8);
    bigEndian(bytes, table, 8);
    return bytes;
}

// The parser descends recursively: nesting far beyond anything of ours is
// refused before it can exhaust the stack, in both forms.
TEST(PropertyListFile, deeplyNestedDataIsRefused) {
    EXPECT_TRUE(PropertyList::fromData(nestedBinaryArrays(100)).isValid());
    EXPECT_FALSE(PropertyList::fromData(nestedBinaryArrays(200000)).isValid());

    const auto xml = [](int depth) {
        return QByteArray("<?xml version=\"1.0\"?><plist version=\"1.0\">") +
               QByteArray("<array>").repeated(depth) + QByteArray("<dict/>") +
               QByteArray("</array>").repeated(depth) + QByteArray("</plist>");
    };
    EXPECT_TRUE(PropertyList::fromData(xml(100)).isValid());
    QString why;
    EXPECT_FALSE(PropertyList::fromData(xml(400000), &why).isValid());
    EXPECT_FALSE(why.isEmpty());

    // A container that holds itself is refused too.
    QByteArray cycle = nestedBinaryArrays(2);
    cycle[9 + 3] = 0; // the first array now refers to itself
    EXPECT_FALSE(PropertyList::fromData(cycle).isValid());
}

TEST(PropertyListFile, valuesAPropertyListCannotHoldAreRefusedBeforeWriting) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.plist");
    PropertyList::writeFile(path, QVariantMap{{"kept", 1}});
    const QList<QVariant> refused = {
        QVariant(),
        QVariant::fromValue(QSize(1, 2)),
        QVariantMap{{"nested", QVariantList{QVariant()}}},
        QVariantMap{{QString::fromUtf8("a\0b", 3), 1}},
        QVariantMap{{"text", QString::fromUtf8("a\0b", 3)}},
        QDateTime(QDate(1800, 1, 1), QTime(0, 0), QTimeZone::utc()),
    };
    for (const QVariant& value : refused) {
        QString why;
        EXPECT_TRUE(PropertyList::toData(value, PropertyList::Format::Binary, &why).isEmpty());
        EXPECT_FALSE(why.isEmpty());
        EXPECT_THROW(PropertyList::writeFile(path, value), platform::Error);
        EXPECT_EQ(PropertyList::readFile(path).toMap(), (QVariantMap{{"kept", qint64(1)}}));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"kept.plist"});
}

} // namespace
