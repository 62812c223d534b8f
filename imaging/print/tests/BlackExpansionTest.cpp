#include "imaging/print/BlackConversionPass.h"
#include "model/columns/BlackWhiteSendable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

using namespace quenta;
using Config = BlackConversionPass::OutputConfiguration;
using Purpose = Config::Purpose;
using Size = sildor::SildorImage::Size;

namespace {

using Pixels = std::vector<std::uint8_t>;

// The widening table as the column sender defines it, written out again:
// visit the pixels of the growing colour in row order and paint around each
// on a field of the other colour, reading the input only.
Pixels widened(const Pixels& bw, int w, int h, int level) {
    const bool growsBlack = level > 0;
    Pixels out(bw.size(), growsBlack ? 255 : 0);
    const std::uint8_t paint = growsBlack ? 0 : 255;
    const int magnitude = std::abs(level);
    const auto set = [&](int x, int y) {
        if (x >= 0 && x < w && y >= 0 && y < h) {
            out[std::size_t(y * w + x)] = paint;
        }
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool black = bw[std::size_t(y * w + x)] < 128;
            if (black != growsBlack) {
                continue;
            }
            const bool bothEven = x % 2 == 0 && y % 2 == 0;
            const bool bothOdd = x % 2 == 1 && y % 2 == 1;
            set(x, y);
            if (magnitude == 3 || (magnitude == 1 && bothEven) || (magnitude == 2 && !bothOdd) ||
                magnitude >= 4) {
                set(x, y - 1);
                set(x + 1, y);
            }
            if (magnitude >= 4) {
                set(x - 1, y);
                set(x, y + 1);
            }
            if (magnitude == 5) {
                set(x - 1, y - 1);
                set(x + 1, y - 1);
                set(x - 1, y + 1);
                set(x + 1, y + 1);
            }
        }
    }
    return out;
}

// Thin lines both ways and slanted, single dots, one-pixel gaps in black,
// a gray ramp and noise: every neighbourhood the table tells apart.
Pixels thinLines(int w, int h) {
    Pixels p(std::size_t(w * h), 255);
    std::mt19937 random(7);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t& v = p[std::size_t(y * w + x)];
            if (x % 37 == 5 || y % 41 == 3 || (x + 2 * y) % 97 == 0) {
                v = 0;
            } else if (x > w / 2 && y > h / 2) {
                v = std::uint8_t(random() % 256);
            } else if (y < 20) {
                v = std::uint8_t(x * 255 / w);
            } else if (x < 60 && y > h / 2) {
                v = (x % 9 == 4 || y % 7 == 2) ? 255 : 0;
            } else if ((x * 13 + y * 7) % 211 == 0) {
                v = 0;
            }
        }
    }
    return p;
}

Config offering(Purpose purpose, qint64 pixelsPerDot = 1) {
    Config c;
    c.purpose = purpose;
    c.dpi = ambrel::Dpi(600);
    DeviceBlackConversionInfo info;
    info.threshold = DeviceBlackConversionInfo::ThresholdInfo{true};
    c.deviceAdditionalInfo = info;
    c.filterRotationCount = 1;
    c.pixelsPerDeviceDot = pixelsPerDot;
    return c;
}

Pixels converted(Pixels p, int w, int h, double threshold, qint64 level, const Config& c) {
    BlackConversionPass::apply(ambrel::BlackConversion::threshold({threshold, level}), p.data(),
                               ambrel::Size_px{w, h}, c);
    return p;
}

std::string names(const std::vector<BlackConversionPass::Filter>& chain) {
    QStringList out;
    for (const auto& f : chain) {
        if (const auto* e = std::get_if<BlackExpansionFilter>(&f)) {
            out << QStringLiteral("expand %1 by %2").arg(e->level()).arg(e->pixelsPerDot());
        } else if (std::holds_alternative<MyFilter>(f)) {
            out << QStringLiteral("halftone");
        } else {
            out << std::get<sildor::SildorImageBuiltinFilter>(f).kernelName();
        }
    }
    return out.join(QStringLiteral(", ")).toStdString();
}

} // namespace

TEST(BlackExpansion, onlyAModelThatOffersItWidensAfterTheThreshold) {
    const auto threshold = [](qint64 level) {
        return ambrel::BlackConversion::threshold({0.3, level});
    };
    EXPECT_EQ(names(BlackConversionPass::filters(threshold(3), offering(Purpose::output))),
              "threshold, expand 3 by 1");
    EXPECT_EQ(names(BlackConversionPass::filters(threshold(-2), offering(Purpose::preview, 4))),
              "threshold, expand -2 by 4");
    // Out-of-range levels are held to the settable range.
    EXPECT_EQ(names(BlackConversionPass::filters(threshold(-9), offering(Purpose::output))),
              "threshold, expand -5 by 1");

    Config silent = offering(Purpose::output);
    silent.deviceAdditionalInfo->threshold->isExpansionAvailable = false;
    Config unknown = offering(Purpose::output);
    unknown.deviceAdditionalInfo->threshold->isExpansionAvailable.reset();
    Config without = offering(Purpose::output);
    without.deviceAdditionalInfo.reset();
    for (const Config& c : {silent, unknown, without, offering(Purpose::preview, 0)}) {
        EXPECT_EQ(names(BlackConversionPass::filters(threshold(4), c)), "threshold");
    }
    EXPECT_EQ(names(BlackConversionPass::filters(threshold(0), offering(Purpose::output))),
              "threshold");
    EXPECT_EQ(names(BlackConversionPass::filters(ambrel::BlackConversion::halftone(),
                                                 offering(Purpose::output))),
              "level, gamma, halftone");
}

// Large enough to run in several bands at once: each band must read the rows
// beside it as they were, though its neighbours write them.
TEST(BlackExpansion, everyLevelInPlaceMatchesTheTableAppliedToTheThreshold) {
    const int w = 701, h = 389;
    const Pixels original = thinLines(w, h);
    const Pixels thresholded = converted(original, w, h, 0.45, 0, offering(Purpose::output));
    for (int level = -5; level <= 5; ++level) {
        const Pixels got = converted(original, w, h, 0.45, level, offering(Purpose::output));
        const Pixels want = level == 0 ? thresholded : widened(thresholded, w, h, level);
        int wrong = 0;
        for (std::size_t i = 0; i < got.size(); ++i) {
            wrong += got[i] != want[i];
        }
        EXPECT_EQ(wrong, 0) << "level " << level;
        if (level != 0) {
            EXPECT_NE(got, thresholded) << "level " << level;
        }
        // The column sender's own conversion agrees on the thresholded picture.
        Pixels sender = thresholded;
        ambrel::BlackWhiteSendable::convert8bitGrayBitmapToBW(sender.data(), {w, h}, 128, level);
        EXPECT_EQ(got, sender) << "level " << level;
    }
}

TEST(BlackExpansion, filtersOneByOneGiveWhatTheInPlacePassGives) {
    const int w = 300, h = 250;
    const Pixels original = thinLines(w, h);
    for (int level : {-5, -1, 2, 5}) {
        const auto conversion = ambrel::BlackConversion::threshold({0.5, level});
        auto image = sildor::SildorImage::make(std::make_shared<sildor::SildorContext>(),
                                               Size{std::size_t(w), std::size_t(h), 1});
        image->replace(original.data(), std::nullopt, std::size_t(w));
        for (const auto& filter :
             BlackConversionPass::filters(conversion, offering(Purpose::output))) {
            std::visit([&](const auto& f) { image->apply({&f}); }, filter);
        }
        Pixels stepwise(original.size());
        image->getBytes(stepwise.data(), std::size_t(w), std::nullopt);
        EXPECT_EQ(stepwise, converted(original, w, h, 0.5, level, offering(Purpose::output)))
            << "level " << level;
    }
}

// A dot of two pixels on each side: the picture made of such dots widens as
// the picture of single pixels does, each pixel become a dot.
TEST(BlackExpansion, dotsOfSeveralPixelsWidenByWholeDots) {
    const int w = 180, h = 140;
    const Pixels small = converted(thinLines(w, h), w, h, 0.5, 0, offering(Purpose::output));
    const auto doubled = [&](const Pixels& p) {
        Pixels out(std::size_t(4 * w * h));
        for (int y = 0; y < 2 * h; ++y) {
            for (int x = 0; x < 2 * w; ++x) {
                out[std::size_t(y * 2 * w + x)] = p[std::size_t((y / 2) * w + x / 2)];
            }
        }
        return out;
    };
    for (int level = -5; level <= 5; ++level) {
        if (level == 0) {
            continue;
        }
        EXPECT_EQ(
            converted(doubled(small), 2 * w, 2 * h, 0.5, level, offering(Purpose::preview, 2)),
            doubled(widened(small, w, h, level)))
            << "level " << level;
    }
}
