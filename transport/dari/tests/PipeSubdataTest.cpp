#include "transport/dari/PipeSubdata.h"

#include <QList>

#include <gtest/gtest.h>

using namespace dari;

TEST(PipeSubdata, SlicesFromTheStartUntilUsedUpOrStopped) {
    QList<QByteArray> slices;
    pipe_enumerateSubdataWithStrideLength("abcdefg", 3,
                                          [&](const QByteArray& s, bool&) { slices << s; });
    EXPECT_EQ(slices, (QList<QByteArray>{"abc", "def", "g"}));

    slices.clear();
    pipe_enumerateSubdataWithStrideLength("abcdefg", 3, [&](const QByteArray& s, bool& stop) {
        slices << s;
        stop = true;
    });
    EXPECT_EQ(slices, QList<QByteArray>{"abc"});

    int calls = 0;
    pipe_enumerateSubdataWithStrideLength(QByteArray(), 3,
                                          [&](const QByteArray&, bool&) { ++calls; });
    EXPECT_EQ(calls, 0);
}
