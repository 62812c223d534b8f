#include "platform/graphics/GraphicsContext.h"
#include "platform/graphics/PdfPage.h"
#include "platform/tests/support/ChildProcesses.h"
#include "platform/tests/support/HostilePdfs.h"
#include "platform/tests/support/PictureWorkerTestSettings.h"
#include "platform/worker/PictureWorkerError.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tp = testpictures;

namespace {

// Kilobytes of a line of /proc/self/status such as "VmHWM".
qint64 statusValue(const char* key) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(QByteArray(key) + ':')) {
            return line.mid(qsizetype(qstrlen(key)) + 1).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

} // namespace

// Each document made to hang, exhaust or crash the PDF library opens or is
// refused, and each one opened is drawn as a print draws a band of it, or
// fails to be: within the deadlines, with this process's memory untouched
// by what the library takes, and no worker left busy with it afterwards.
TEST(HostilePdfs, eachOpensOrIsRefusedAndLeavesNoWorkerBusy) {
    constexpr int deadline = 2000;
    const PictureWorkerTestSettings settings(false, deadline);
    for (const tp::HostilePdf& hostile : tp::hostilePdfs()) {
        SCOPED_TRACE(hostile.name.toStdString());
        ASSERT_FALSE(hostile.bytes.isEmpty());
        QElapsedTimer timer;
        timer.start();
        platform::PictureRefusal why = platform::PictureRefusal::noPicture;
        const auto page = platform::PdfPage::firstPage(hostile.bytes, &why);
        QString outcome =
            page ? QStringLiteral("opened") : QStringLiteral("refused (%1)").arg(int(why));
        if (page) {
            auto context = platform::GraphicsContext::makeBitmap(
                platform::GraphicsContext::PixelFormat::gray8, 1654, 827);
            ASSERT_TRUE(context);
            context->scaleBy(1654 / page->size().width(), 827 / page->size().height());
            try {
                page->draw(*context);
                outcome += QStringLiteral(", drawn");
            } catch (const platform::PictureWorkerError& error) {
                outcome += QStringLiteral(", not drawn (%1)").arg(int(error.cause()));
            }
        }
        std::printf("%s: %s in %lld ms\n", qPrintable(hostile.name), qPrintable(outcome),
                    static_cast<long long>(timer.elapsed()));
        EXPECT_LT(ChildProcesses::busyMilliseconds(ChildProcesses::pictureWorkers(getpid()), 250),
                  100);
    }
    // What the library took stayed in its workers.
    EXPECT_LT(statusValue("VmHWM"), 512 * 1024);
}
