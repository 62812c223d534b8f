#include "platform/PropertyList.h"
#include "platform/Error.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSize>
#include <QTimeZone>

#include <gtest/gtest.h>

using platform::PropertyList;

namespace {

QVariantMap sample() {
    return QVariantMap{
        {QStringLiteral("text"), QStringLiteral("Grüße")},
        {QStringLiteral("flag"), true},
        {QStringLiteral("negative"), qint64(-128)},
        {QStringLiteral("real"), 297.5},
        {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
        {QStringLiteral("date"), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), QTimeZone::utc())},
        {QStringLiteral("list"), QVariantList{1, QStringLiteral("two")}},
        {QStringLiteral("nested"), QVariantMap{{QStringLiteral("k"), 2.0}}},
    };
}

TEST(PropertyList, roundTripsInBothFormats) {
    for (auto format : {PropertyList::Format::Xml, PropertyList::Format::Binary}) {
        const QByteArray bytes = PropertyList::toData(sample(), format);
        ASSERT_FALSE(bytes.isEmpty());
        const QVariantMap back = PropertyList::fromData(bytes).toMap();
        EXPECT_EQ(back.value(QStringLiteral("text")).toString(), QStringLiteral("Grüße"));
        EXPECT_EQ(back.value(QStringLiteral("flag")).toBool(), true);
        EXPECT_EQ(back.value(QStringLiteral("negative")).toLongLong(), -128);
        EXPECT_DOUBLE_EQ(back.value(QStringLiteral("real")).toDouble(), 297.5);
        EXPECT_EQ(back.value(QStringLiteral("data")).toByteArray(), QByteArray("\x00\x01\xff", 3));
        EXPECT_EQ(back.value(QStringLiteral("date")).toDateTime(),
                  sample().value(QStringLiteral("date")).toDateTime());
        EXPECT_EQ(back.value(QStringLiteral("list")).toList().size(), 2);
        EXPECT_DOUBLE_EQ(
            back.value(QStringLiteral("nested")).toMap().value(QStringLiteral("k")).toDouble(),
            2.0);
    }
}

TEST(PropertyList, refusesWhatIsNotAPropertyList) {
    QString error;
    for (const QByteArray& bad : {QByteArray(), QByteArray("hello"), QByteArray("<plist><dict>"),
                                  QByteArray("bplist00\x01\x02", 10), QByteArray("{\"a\":1}")}) {
        EXPECT_FALSE(PropertyList::fromData(bad, &error).isValid()) << bad.toStdString();
    }
    EXPECT_TRUE(
        PropertyList::toData(QVariant::fromValue(QSize(1, 2)), PropertyList::Format::Xml, &error)
            .isEmpty());
    EXPECT_FALSE(error.isEmpty());
}

// A binary property list whose only object, at offset 8, is the given one.
QByteArray binaryWithOneObject(const QByteArray& object) {
    QByteArray bytes = QByteArray("bplist00") + object;
    const char tableOffset = char(bytes.size());
    bytes.append(char(8));
    bytes.append(QByteArray(6, '\0') + QByteArray("\x01\x01", 2));
    bytes.append(QByteArray(7, '\0') + '\x01' + QByteArray(8, '\0') + QByteArray(7, '\0'));
    bytes.append(tableOffset);
    return bytes;
}

TEST(PropertyList, refusesTextsHoldingANul) {
    const QList<QByteArray> inputs{
        QByteArray::fromHex("3c6b65793e003c2f6b65793e"),
        QByteArray("<plist><string>a\0</string></plist>", 34),
        QByteArray::fromHex("62706c6973743030d2010304045161517862510800000101000000000000000b0000"
                            "0000000063334101000014f8b58a8007080d0f11131a00002122272f1c0000000001"
                            "01000000000000000b00000000000000000000000000000032"),
        binaryWithOneObject(QByteArray("\x53"
                                       "a\0b",
                                       4)),
        binaryWithOneObject(QByteArray("\x62\0"
                                       "a\0\0",
                                       5)),
    };
    for (const QByteArray& input : inputs) {
        QString error;
        EXPECT_FALSE(PropertyList::fromData(input, &error).isValid())
            << input.toHex().toStdString();
        EXPECT_EQ(error, QStringLiteral("not a property list"));
    }
    // The same texts without the NUL still read.
    EXPECT_EQ(PropertyList::fromData(binaryWithOneObject("\x52"
                                                         "ab"))
                  .toString(),
              QStringLiteral("ab"));
    EXPECT_EQ(PropertyList::fromData(binaryWithOneObject(QByteArray("\x61\0"
                                                                    "a",
                                                                    3)))
                  .toString(),
              QStringLiteral("a"));
}

// A large binary array reads in time proportional to its size: each member
// is reached from the one before, never counted from the first.
TEST(PropertyList, readsALargeBinaryArrayQuickly) {
    constexpr int count = 100000;
    QVariantList array;
    for (int i = 0; i < count; ++i) {
        array << qint64(i);
    }
    const QByteArray bytes = PropertyList::toData(QVariantMap{{QStringLiteral("array"), array}},
                                                  PropertyList::Format::Binary);
    ASSERT_FALSE(bytes.isEmpty());

    QElapsedTimer timer;
    timer.start();
    const QVariantList back =
        PropertyList::fromData(bytes).toMap().value(QStringLiteral("array")).toList();
    const qint64 elapsed = timer.elapsed();

    ASSERT_EQ(back.size(), count);
    EXPECT_EQ(back.first().toLongLong(), 0);
    EXPECT_EQ(back.at(54321).toLongLong(), 54321);
    EXPECT_EQ(back.last().toLongLong(), count - 1);
    // About a tenth of a second, a hundred times less than the bound;
    // counting each member from the first took minutes, more than ten times
    // the bound.
#ifdef LUNVIK_SANITIZED_BUILD
    EXPECT_LT(elapsed, 30000);
#else
    EXPECT_LT(elapsed, 10000);
#endif
}

TEST(Error, carriesItsUserInfoAndKeepsItsTypeWhenCloned) {
    auto underlying = std::make_shared<platform::Error>(QStringLiteral("Inner"), 1);
    platform::Error e(
        QStringLiteral("DeviceError"), 4,
        {QStringLiteral("No printer."), QStringLiteral("Connect it."), underlying, {}});
    EXPECT_EQ(e.localizedDescription(), QStringLiteral("No printer."));
    EXPECT_EQ(e.localizedRecoverySuggestion(), QStringLiteral("Connect it."));
    EXPECT_EQ(e.underlyingError()->domain(), QStringLiteral("Inner"));
    EXPECT_STREQ(e.what(), "No printer.");
    const auto copy = e.clone();
    EXPECT_EQ(copy->code(), 4);
    EXPECT_THROW(copy->raise(), platform::Error);
    platform::Error bare(QStringLiteral("X"), 2);
    EXPECT_TRUE(bare.localizedDescription().contains(QStringLiteral("X error 2")));
    EXPECT_FALSE(bare.localizedRecoverySuggestion());
}

} // namespace
