#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

// The application as a screen reader meets it: started on a display server
// of its own with the accessibility bus, its tree walked over AT-SPI by a
// client of the bus (tests/accessibility/unnamed_controls.py).
TEST(AccessibilityBusTest, AScreenReaderFindsEveryShowingControlNamedAndThePictureOnTheCanvas) {
    QProcess check;
    check.start(QStringLiteral(LUNVIK_UNNAMED_CONTROLS),
                {QStringLiteral(LUNVIK_PROGRAM), QStringLiteral(LUNVIK_STENCIL_MARK)});
    ASSERT_TRUE(check.waitForStarted());
    ASSERT_TRUE(check.waitForFinished(100000));
    const QString output = QString::fromUtf8(check.readAllStandardOutput());
    const QString errors = QString::fromUtf8(check.readAllStandardError());
    const std::string report = (output + errors).toStdString();
    ASSERT_NE(check.exitCode(), 3) << report;
    ASSERT_NE(check.exitCode(), 2) << report;
    EXPECT_EQ(check.exitCode(), 0) << report;

    // Enough of the window to be sure it was walked.
    const QString showing = output.section(u'\n', 0, 0);
    ASSERT_TRUE(showing.startsWith(QStringLiteral("showing\t"))) << report;
    EXPECT_GT(showing.section(u'\t', 1).toInt(), 50) << report;

    // The canvas: named, telling the picture that came with the start, its
    // size and offset; focusable and selectable.
    QString canvas;
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(QStringLiteral("canvas\t"))) {
            canvas = line;
        }
    }
    const QStringList fields = canvas.split(u'\t');
    ASSERT_EQ(fields.size(), 4) << report;
    EXPECT_EQ(fields[1], QStringLiteral("Canvas"));
    EXPECT_TRUE(fields[2].contains(QStringLiteral("“stencil-mark.png”"))) << report;
    EXPECT_TRUE(fields[2].contains(QStringLiteral(" mm, offset X "))) << report;
    const QStringList states = fields[3].split(u',');
    EXPECT_TRUE(states.contains(QStringLiteral("focusable"))) << report;
    EXPECT_TRUE(states.contains(QStringLiteral("selectable"))) << report;
}

// A number field's text that gives no number, typed as a screen reader's user
// types it: the field says so in its description until a number is typed.
TEST(AccessibilityBusTest, AScreenReaderHearsThatANumberFieldRefusedItsText) {
    QProcess check;
    check.start(QStringLiteral(LUNVIK_UNNAMED_CONTROLS),
                {QStringLiteral(LUNVIK_PROGRAM), QStringLiteral(LUNVIK_STENCIL_MARK),
                 QStringLiteral("refused_number.py")});
    ASSERT_TRUE(check.waitForStarted());
    ASSERT_TRUE(check.waitForFinished(100000));
    const QString output = QString::fromUtf8(check.readAllStandardOutput());
    const std::string report =
        (output + QString::fromUtf8(check.readAllStandardError())).toStdString();
    ASSERT_NE(check.exitCode(), 3) << report;
    ASSERT_EQ(check.exitCode(), 0) << report;

    QStringList refused;
    QStringList corrected;
    for (const QString& line : output.split(u'\n')) {
        if (line.startsWith(QStringLiteral("refused\t"))) {
            refused = line.split(u'\t');
        } else if (line.startsWith(QStringLiteral("corrected\t"))) {
            corrected = line.split(u'\t');
        }
    }
    ASSERT_EQ(refused.size(), 4) << report;
    EXPECT_EQ(refused[1], QStringLiteral("abc"));
    EXPECT_TRUE(refused[2].startsWith(QStringLiteral("“abc” is not a number. The value stays ")))
        << report;
    EXPECT_TRUE(refused[3].split(u',').contains(QStringLiteral("focused"))) << report;
    ASSERT_EQ(corrected.size(), 3) << report;
    EXPECT_EQ(corrected[1], QStringLiteral("12"));
    EXPECT_EQ(corrected[2], QString()) << report;
}
