#include "ScriptingTestSupport.h"

#include "core/document/application/PrintJobDocument.h"
#include "core/scripting/ScriptingService.h"
#include "model/pictures/OriginalImage.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QUrl>

using kestrom::ScriptingService;

namespace {

// Files handed to the running application as a second start hands them
// (the desktop's Open method), while its one document shows a picture.
struct HandedOverFilesTest : ScriptingTest {
    void SetUp() override {
        ScriptingTest::SetUp();
        document(0)->job().setOriginalImage(ambrel::OriginalImage::fromContentsOfURL(
            QUrl::fromLocalFile(QStringLiteral(LUNVIK_STENCIL_MARK))));
    }

    QString write(const QString& name, const QByteArray& bytes) const {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static GdbusResult open(const QStringList& paths) {
        QStringList uris;
        for (const QString& path : paths) {
            uris << u'\'' + QUrl::fromLocalFile(path).toString() + u'\'';
        }
        return call(ScriptingService::applicationPath,
                    QStringLiteral("org.freedesktop.Application.Open"),
                    {u'[' + uris.join(u',') + u']', QStringLiteral("{}")});
    }

    static QMessageBox* shownAlert() {
        for (QWidget* widget : QApplication::allWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->objectName() == QStringLiteral("ErrorSheet") && box->isVisible()) {
                return box;
            }
        }
        return nullptr;
    }
};

} // namespace

// One file that does not open: the alert says what the window says of the
// same file chosen there, and the window made for it goes again.
TEST_F(HandedOverFilesTest, AFileThatIsNoPictureOrIsMissingIsToldByItsOwnAlert) {
    const QString fake = write(QStringLiteral("fake.png"), "These are notes.\n");
    const GdbusResult refused = open({fake});
    EXPECT_FALSE(refused.succeeded());
    EXPECT_TRUE(refused.error.contains(QStringLiteral("“fake.png” contains no picture")))
        << refused.error.toStdString();
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }, 10000));
    QMessageBox* alert = shownAlert();
    EXPECT_EQ(alert->text(), QStringLiteral("“fake.png” contains no picture that can be used."));
    EXPECT_TRUE(alert->informativeText().startsWith(
        QStringLiteral("“fake.png” may be damaged or in a format that cannot be read.")))
        << alert->informativeText().toStdString();
    EXPECT_TRUE(waitUntil([&] { return documentCount() == 1; }, 10000)) << documentCount();
    alert->button(QMessageBox::Ok)->click();
    ASSERT_TRUE(waitUntil([] { return shownAlert() == nullptr; }, 10000));

    const QString missing = m_folder.filePath(QStringLiteral("missing.png"));
    const GdbusResult gone = open({missing});
    EXPECT_FALSE(gone.succeeded());
    EXPECT_TRUE(gone.error.contains(QStringLiteral("“missing.png” does not exist")))
        << gone.error.toStdString();
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }, 10000));
    EXPECT_EQ(shownAlert()->text(), QStringLiteral("The file “missing.png” does not exist."));
    EXPECT_TRUE(shownAlert()->informativeText().contains(missing));
    QTest::qWait(100);
    EXPECT_EQ(documentCount(), 1);
}

// Of several files, the one that did not open is counted in the singular.
TEST_F(HandedOverFilesTest, OneOfTwoFilesThatDidNotOpenIsToldInTheSingular) {
    QImage image(40, 30, QImage::Format_Grayscale8);
    image.fill(0);
    const QString picture = m_folder.filePath(QStringLiteral("mark.png"));
    ASSERT_TRUE(image.save(picture));
    const QString fake = write(QStringLiteral("fake.png"), "These are notes.\n");
    EXPECT_FALSE(open({picture, fake}).succeeded());
    ASSERT_TRUE(waitUntil([] { return shownAlert() != nullptr; }, 10000));
    EXPECT_EQ(shownAlert()->text(),
              QStringLiteral("1 of the 2 files other programs handed over was not opened."));
    EXPECT_EQ(shownAlert()->informativeText(),
              QStringLiteral("“fake.png” contains no picture that can be used."));
    EXPECT_TRUE(waitUntil([&] { return documentCount() == 2; }, 10000)) << documentCount();
}
