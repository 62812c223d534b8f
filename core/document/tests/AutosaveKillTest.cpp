// A process saving a document in place is killed at many moments of its
// autosave; each time the package still opens and Revert to Saved goes back
// to the version the process had opened.

#include "core/document/tests/DocumentTestSupport.h"

#include "core/document/application/DocumentController.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/KeptVersions.h"
#include "platform/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace documenttest;
using kestrom::Document;
using kestrom::DocumentController;
using kestrom::DocumentPackage;
using kestrom::DocumentPanels;
using kestrom::PrintDocument;
using kestrom::PrintJobDocument;

namespace {

// The child's settings, from its environment.
const char* packageVariable = "LUNVIK_AUTOSAVE_CHILD_PACKAGE";
const char* keptVariable = "LUNVIK_AUTOSAVE_CHILD_KEPT";
// "<point> <number>": the child stops for good when its numbered autosave
// reaches the point, so that the kill finds it exactly there.
const char* stopVariable = "LUNVIK_AUTOSAVE_CHILD_STOP";

// The moments of one autosave the child can stop at.
const QStringList points{
    QStringLiteral("membersWritten"), // the new package is complete beside the old
    QStringLiteral("beforeSwap"),     // the kept version's record says a write is coming
    QStringLiteral("swapped"),        // the new package is in place, the record not told
    QStringLiteral("recorded"),       // the record knows the new package
};

void announce(const QString& line) {
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

void reach(const QString& point, int number) {
    static const QString stop = qEnvironmentVariable(stopVariable);
    if (stop == point + u' ' + QString::number(number)) {
        announce(QStringLiteral("stopped ") + stop);
        for (;;) {
            ::pause();
        }
    }
}

// A print document that passes through the named points of its writes.
class PointedDocument : public PrintJobDocument {
public:
    void writeToPathInBackground(const QString& path, FileHandler done,
                                 BeforeReplacing beforeReplacing, WriteReason reason) override {
        const int number = ++m_writes;
        PrintJobDocument::writeToPathInBackground(
            path,
            [number, done](std::shared_ptr<const platform::Error> error) {
                reach(QStringLiteral("swapped"), number);
                done(error);
                reach(QStringLiteral("recorded"), number);
            },
            [number, beforeReplacing](const std::optional<QString>& written) {
                reach(QStringLiteral("membersWritten"), number);
                if (beforeReplacing) {
                    beforeReplacing(written);
                }
                reach(QStringLiteral("beforeSwap"), number);
            },
            reason);
    }

private:
    int m_writes = 0;
};

class AgreeingPanels : public DocumentPanels {
public:
    void chooseDocumentsToOpen(std::function<void(const QStringList&)>) override {}
    void chooseSaveLocation(Document&, std::function<void(std::optional<QString>)>) override {}
    void confirmRevert(Document&, const RevertQuestion&,
                       std::function<void(bool)> answer) override {
        answer(true);
    }
    void askAboutChangeOnDisk(Document&, std::function<void(DiskChangeAnswer)>) override {
        ++diskChangeQuestions;
    }
    void askToSaveBeforeClosing(Document&, std::function<void(CloseAnswer)> answer) override {
        answer(CloseAnswer::discard);
    }
    void presentError(Document*, const platform::Error& error) override {
        errors << error.localizedDescription();
    }
    int diskChangeQuestions = 0;
    QStringList errors;
};

class AutosaveKillTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        m_package = m_folder.filePath(QStringLiteral("Job.lunvik"));
        m_kept = m_folder.filePath(QStringLiteral("data/Kept Versions"));
    }

    static int repeatsIn(const QString& package) {
        PrintDocument reread;
        DocumentPackage::read(reread, package);
        return reread.imageRepeatXCount();
    }

    // Starts the child; true once it has opened the package and kept its
    // version.
    bool startChild(QProcess& child, const QString& stop) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(packageVariable), m_package);
        environment.insert(QString::fromLatin1(keptVariable), m_kept);
        environment.insert(QString::fromLatin1(stopVariable), stop);
        // The child is killed before it can remove its own temporary
        // folders: they go with this test's.
        const QString temporary = m_folder.filePath(QStringLiteral("child-temporary"));
        QDir().mkpath(temporary);
        environment.insert(QStringLiteral("TMPDIR"), temporary);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=AutosaveKillTest.DISABLED_ChildAutosaves"),
                     QStringLiteral("--gtest_also_run_disabled_tests")});
        return child.waitForStarted() && waitForLine(child, QStringLiteral("ready"));
    }

    static bool waitForLine(QProcess& child, const QString& line) {
        QString seen;
        while (child.state() == QProcess::Running || child.bytesAvailable() > 0) {
            while (child.canReadLine()) {
                if (QString::fromUtf8(child.readLine()).trimmed() == line) {
                    return true;
                }
            }
            if (!child.waitForReadyRead(30000) && child.state() != QProcess::Running) {
                break;
            }
        }
        ADD_FAILURE() << "the child ended without saying " << line.toStdString() << ": "
                      << child.readAllStandardError().toStdString();
        return false;
    }

    // Opens the package as the next start would and reverts it; true when
    // the package opened and the revert gave the version the child opened.
    bool revertsToTheOpenedVersion(const QString& what) {
        AgreeingPanels panels;
        DocumentController controller([] { return std::make_unique<PrintJobDocument>(); });
        controller.setPanels(&panels);
        controller.setKeptVersions(std::make_shared<kestrom::KeptVersions>(m_kept));
        Document* opened = nullptr;
        std::shared_ptr<const platform::Error> failure;
        controller.openDocument(m_package, false, [&](Document* d, bool, auto error) {
            opened = d;
            failure = error;
        });
        if (!QTest::qWaitFor([&] { return opened || failure; }, 30000) || !opened) {
            ADD_FAILURE() << what.toStdString() << ": the package does not open: "
                          << (failure ? failure->localizedDescription().toStdString() : "");
            return false;
        }
        if (!QTest::qWaitFor([&] { return !controller.isBusy(opened); }, 30000)) {
            ADD_FAILURE() << what.toStdString() << ": no kept version";
            return false;
        }
        const int openedRepeats =
            qobject_cast<PrintJobDocument*>(opened)->job().imageRepeatXCount();
        controller.revertDocumentToSaved(opened);
        (void)QTest::qWaitFor([&] { return !controller.isBusy(opened); }, 30000);
        const int reverted = qobject_cast<PrintJobDocument*>(opened)->job().imageRepeatXCount();
        const int onDisk = repeatsIn(m_package);
        controller.removeDocument(opened);
        EXPECT_EQ(reverted, 1) << what.toStdString() << " (opened with " << openedRepeats << ")";
        EXPECT_EQ(onDisk, 1) << what.toStdString();
        EXPECT_TRUE(panels.errors.isEmpty()) << panels.errors.join(u'\n').toStdString();
        return reverted == 1 && onDisk == 1;
    }

    QString m_package;
    QString m_kept;
};

} // namespace

// Run by the kill test in a process of its own: opens the package and saves
// it in place again and again, each time with one copy more.
TEST_F(AutosaveKillTest, DISABLED_ChildAutosaves) {
    const QString package = qEnvironmentVariable(packageVariable);
    ASSERT_FALSE(package.isEmpty()) << "started by AutosaveKillTest only";
    AgreeingPanels panels;
    DocumentController controller([] { return std::make_unique<PointedDocument>(); });
    controller.setPanels(&panels);
    controller.setKeptVersions(
        std::make_shared<kestrom::KeptVersions>(qEnvironmentVariable(keptVariable)));
    controller.setAutosaveDelay(0);
    Document* opened = nullptr;
    controller.openDocument(package, false, [&](Document* d, bool, auto) { opened = d; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened && controller.keptVersion(opened); }, 30000));
    auto* job = qobject_cast<PrintJobDocument*>(opened);
    job->undoManager()->setGroupsByEvent(false);
    announce(QStringLiteral("ready"));
    for (int repeats = 2;; ++repeats) {
        job->job().setImageRepeatXCount(repeats);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !job->isEdited() && !controller.isBusy(job); }, 30000));
        ASSERT_TRUE(panels.errors.isEmpty()) << panels.errors.join(u'\n').toStdString();
        ASSERT_EQ(panels.diskChangeQuestions, 0);
    }
}

namespace {

// One kill: at a point of a numbered autosave, else after a delay.
struct Kill {
    QString stop;
    int delay = 0;
};

// Kills of one test case, short enough each for the test's time limit.
struct KillGroup {
    std::string name;
    std::vector<Kill> kills;
};

void PrintTo(const KillGroup& group, std::ostream* out) {
    *out << group.name;
}

// Every point of the first three autosaves, a case for each point; then
// kills after varied delays, spread over three cases. LUNVIK_AUTOSAVE_KILLS
// asks for more of the latter.
std::vector<KillGroup> killGroups() {
    std::vector<KillGroup> groups;
    for (const QString& point : points) {
        KillGroup group{point.toStdString(), {}};
        for (int number = 1; number <= 3; ++number) {
            group.kills.push_back({point + u' ' + QString::number(number), 0});
        }
        groups.push_back(group);
    }
    const int pointed = int(points.size()) * 3;
    const int delayed =
        std::max(12, qEnvironmentVariableIntValue("LUNVIK_AUTOSAVE_KILLS") - pointed);
    constexpr int delayGroups = 3;
    for (int g = 0; g < delayGroups; ++g) {
        KillGroup group{"delayed" + std::to_string(g + 1), {}};
        for (int i = g; i < delayed; i += delayGroups) {
            // Spread over a few autosaves of the child.
            group.kills.push_back({QString(), ((pointed + i) * 37) % 120});
        }
        groups.push_back(group);
    }
    return groups;
}

class AutosaveKillAtTest : public AutosaveKillTest,
                           public ::testing::WithParamInterface<KillGroup> {};

} // namespace

TEST_P(AutosaveKillAtTest, AKillKeepsTheOpenedVersionToRevertTo) {
    int kills = 0;
    for (const Kill& kill : GetParam().kills) {
        // Each kill on its own: the package as a user saved it, one copy.
        {
            PrintDocument job;
            job.setDeviceDescriptor(model(birchName));
            job.setOriginalImage(picture(300, 200));
            DocumentPackage::write(job, m_package);
        }
        QProcess child;
        ASSERT_TRUE(startChild(child, kill.stop));
        QString what;
        if (!kill.stop.isEmpty()) {
            ASSERT_TRUE(waitForLine(child, QStringLiteral("stopped ") + kill.stop));
            what = QStringLiteral("killed at ") + kill.stop;
        } else {
            QTest::qWait(kill.delay);
            what = QStringLiteral("killed %1 ms into autosaving").arg(kill.delay);
        }
        child.kill();
        ASSERT_TRUE(child.waitForFinished(30000));
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit)
            << child.readAllStandardError().toStdString();
        ++kills;
        ASSERT_TRUE(revertsToTheOpenedVersion(what));
    }
    std::printf("%d kills, the opened version came back after each\n", kills);
}

// Four cases of three kills at the points, three of four or more after
// delays: at least 24 kills in all.
INSTANTIATE_TEST_SUITE_P(Autosave, AutosaveKillAtTest, ::testing::ValuesIn(killGroups()),
                         [](const ::testing::TestParamInfo<KillGroup>& info) {
                             return info.param.name;
                         });
