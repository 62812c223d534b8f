#include "model/columns/BlackWhiteSendable.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

using ambrel::BlackWhiteSendable;
using ambrel::Size_px;

namespace {

// Pictures as text: '#' black (0), '.' white (255), digits a gray level of
// that many tens (5 is 50).
struct Picture {
    Size_px size;
    std::vector<std::uint8_t> pixels;
};

Picture picture(const QStringList& rows) {
    Picture p{{rows.front().size(), rows.size()}, {}};
    for (const QString& row : rows) {
        for (const QChar c : row) {
            p.pixels.push_back(c == u'#' ? 0 : c == u'.' ? 255 : std::uint8_t(c.digitValue() * 10));
        }
    }
    return p;
}

QStringList text(const Picture& p) {
    QStringList rows;
    for (qint64 y = 0; y < p.size.height; ++y) {
        QString row;
        for (qint64 x = 0; x < p.size.width; ++x) {
            const auto v = p.pixels[size_t(y * p.size.width + x)];
            row += v == 0 ? u'#' : v == 255 ? u'.' : u'?';
        }
        rows << row;
    }
    return rows;
}

QStringList converted(const QStringList& rows, int threshold, int level) {
    Picture p = picture(rows);
    BlackWhiteSendable::convert8bitGrayBitmapToBW(p.pixels.data(), p.size, std::uint8_t(threshold),
                                                  level);
    return text(p);
}

// One black pixel of a white 5 x 5 field, at (x, y).
QStringList dot(int x, int y, QChar ink = u'#', QChar field = u'.') {
    QStringList rows(5, QString(5, field));
    rows[y][x] = ink;
    return rows;
}

} // namespace

TEST(BlackWhiteConversion, levelZeroThresholds) {
    EXPECT_EQ(converted({u"#.5"_qs}, 128, 0), (QStringList{u"#.#"_qs}));
    Picture p{{4, 1}, {128, 129, 0, 255}};
    BlackWhiteSendable::convert8bitGrayBitmapToBW(p.pixels.data(), p.size, 128, 0);
    EXPECT_EQ(p.pixels, (std::vector<std::uint8_t>{0, 255, 0, 255}));
}

TEST(BlackWhiteConversion, thresholdPixelIsWhiteOnceExpanding) {
    // 50 equals the threshold: black at level 0, white (not spreading) at 1.
    EXPECT_EQ(converted({u"5."_qs}, 50, 0), (QStringList{u"#."_qs}));
    EXPECT_EQ(converted({u"5."_qs}, 50, 1), (QStringList{u".."_qs}));
    EXPECT_EQ(converted({u"#5"_qs}, 50, -1), (QStringList{u"#."_qs}));
}

TEST(BlackWhiteConversion, everyLevelPaintsItsShape) {
    const struct {
        int level;
        int x, y;
        QStringList expected;
    } cases[] = {
        // Level 1 grows only from pixels at even x and even y.
        {1, 2, 2, {u"....."_qs, u"..#.."_qs, u"..##."_qs, u"....."_qs, u"....."_qs}},
        {1, 1, 2, {u"....."_qs, u"....."_qs, u".#..."_qs, u"....."_qs, u"....."_qs}},
        // Level 2 grows from all but odd x and odd y.
        {2, 1, 1, {u"....."_qs, u".#..."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
        {2, 2, 1, {u"..#.."_qs, u"..##."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
        {3, 1, 1, {u".#..."_qs, u".##.."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
        {4, 2, 2, {u"....."_qs, u"..#.."_qs, u".###."_qs, u"..#.."_qs, u"....."_qs}},
        {5, 2, 2, {u"....."_qs, u".###."_qs, u".###."_qs, u".###."_qs, u"....."_qs}},
        // Neighbours off the bitmap are skipped.
        {5, 0, 0, {u"##..."_qs, u"##..."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
        {3, 4, 0, {u"....#"_qs, u"....."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
        // Beyond 5 only the field remains.
        {6, 2, 2, {u"....."_qs, u"....."_qs, u"....."_qs, u"....."_qs, u"....."_qs}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(converted(dot(c.x, c.y), 128, c.level), c.expected)
            << "level " << c.level << " at " << c.x << "," << c.y;
    }
}

TEST(BlackWhiteConversion, negativeLevelsGrowWhite) {
    EXPECT_EQ(converted(dot(2, 2, u'.', u'#'), 128, -4),
              (QStringList{u"#####"_qs, u"##.##"_qs, u"#...#"_qs, u"##.##"_qs, u"#####"_qs}));
    EXPECT_EQ(converted(dot(2, 2, u'.', u'#'), 128, -9), QStringList(5, u"#####"_qs));
}

TEST(BlackWhiteConversion, paintedPixelsDoNotSpread) {
    // Two black pixels in a row at level 3: each paints itself, above and
    // right, from the input only.
    EXPECT_EQ(converted({u"....."_qs, u".##.."_qs, u"....."_qs}, 128, 3),
              (QStringList{u".##.."_qs, u".###."_qs, u"....."_qs}));
}
