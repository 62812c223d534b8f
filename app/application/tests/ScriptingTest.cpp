#include "ScriptingTestSupport.h"

#include "app/simulator/TavrinSimulatorUsb.h"
#include "app/tavrin/TavrinDeviceConnection.h"
#include "core/document/application/PrintJobDocument.h"
#include "core/document/job/UserDefaultsKeys.h"
#include "core/scripting/ScriptingService.h"
#include "core/window/CompletionAlert.h"
#include "core/window/DocumentWindow.h"
#include "core/window/ProgressViewController.h"
#include "core/window/WindowRunPresenter.h"
#include "model/errors/ConnectionError.h"
#include "model/pictures/OriginalImageError.h"
#include "platform/Progress.h"
#include "platform/UserDefaults.h"
#include "platform/tests/support/TestPictures.h"
#include "platform/usb/SocketUsbHost.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using kestrom::ScriptingService;

namespace {

QString servicesMethod(const char* name) {
    return QStringLiteral("org.lunvik.Lunvik.Services.") + QLatin1String(name);
}

QByteArray smallPng() {
    QImage image(64, 48, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter(&image).fillRect(8, 8, 30, 20, Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A PNG large enough that half of it ends inside the picture's data.
QByteArray noisyPng() {
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Bytes as gdbus reads an array of bytes.
QString byteArrayArgument(const QByteArray& bytes) {
    QStringList values;
    for (const char byte : bytes) {
        values << QString::number(uchar(byte));
    }
    return QStringLiteral("@ay [") + values.join(u',') + u']';
}

} // namespace

TEST_F(ScriptingTest, TheModelNameTakesOnlyASupportedModelsExactName) {
    const QString path = pathOf(0);
    const QString model = document(0)->job().deviceDescriptor()->modelName();
    const GdbusResult read = getProperty(path, documentInterface, QStringLiteral("modelName"));
    ASSERT_TRUE(read.succeeded()) << read.error.toStdString();
    EXPECT_EQ(read.output, QStringLiteral("(<'%1'>,)").arg(model));
    const QByteArray rememberedBefore = defaultsFile();

    for (const QString& name :
         {QStringLiteral("'foo'"), QStringLiteral("'tavrin a5'"), QStringLiteral("''")}) {
        const GdbusResult set =
            setProperty(path, documentInterface, QStringLiteral("modelName"), u'<' + name + u'>');
        EXPECT_FALSE(set.succeeded()) << name.toStdString();
        EXPECT_TRUE(set.error.contains(scriptError + QStringLiteral("8984: Invalid model name.")))
            << set.error.toStdString();
    }
    EXPECT_EQ(document(0)->job().deviceDescriptor()->modelName(), model);

    // A supported name switches the model without changing what the user's
    // defaults remember; listeners hear of the new name.
    PropertyChangeRecorder listener(path);
    const GdbusResult set = setProperty(path, documentInterface, QStringLiteral("modelName"),
                                        QStringLiteral("<'Tavrin a5'>"));
    ASSERT_TRUE(set.succeeded()) << set.error.toStdString();
    EXPECT_EQ(document(0)->job().deviceDescriptor()->modelName(), QStringLiteral("Tavrin a5"));
    EXPECT_EQ(getProperty(path, documentInterface, QStringLiteral("modelName")).output,
              QStringLiteral("(<'Tavrin a5'>,)"));
    EXPECT_EQ(defaultsFile(), rememberedBefore);
    ASSERT_TRUE(waitUntil([&] { return !listener.changes.isEmpty(); }, 10000));
    EXPECT_EQ(listener.changes.last().value(QStringLiteral("modelName")).toString(),
              QStringLiteral("Tavrin a5"));
    EXPECT_EQ(platform::UserDefaults::standard().string(QStringLiteral("LastModelName")), model);
}

namespace {

// Chooses the item with the text as a user does with the keyboard: one arrow
// key at a time, each in a turn of its own.
void chooseByKeyboard(QComboBox* popUp, const QString& text) {
    const int target = popUp->findText(text);
    ASSERT_GE(target, 0) << text.toStdString();
    for (int guard = 0; popUp->currentIndex() != target && guard < 20; ++guard) {
        QTest::keyClick(popUp, popUp->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(popUp->currentIndex(), target);
}

// The canvas pop-up's shown item is the document's canvas.
void expectShowsDocumentsCanvas(const kestrom::DocumentWindow& window,
                                const kestrom::PrintDocument& job, const char* step) {
    ASSERT_TRUE(job.canvas()) << step;
    const QComboBox* popUp = window.canvasPopUpButton();
    const auto shown = popUp->currentData().value<std::shared_ptr<const ambrel::Canvas>>();
    ASSERT_TRUE(shown) << step;
    EXPECT_EQ(shown->identifier(), job.canvas()->identifier()) << step;
    EXPECT_EQ(shown->size_mm(), job.canvas()->size_mm()) << step;
    EXPECT_EQ(popUp->currentText(), job.canvas()->name()) << step;
}

} // namespace

TEST_F(ScriptingTest, TheCanvasPopUpShowsTheDocumentsCanvasThroughModelRoundTrips) {
    kestrom::PrintDocument& job = document(0)->job();
    auto* window = kestrom::DocumentWindow::windowFor(document(0));
    ASSERT_TRUE(window);
    window->show();
    QComboBox* models = window->modelPopUpButton();
    QComboBox* canvases = window->canvasPopUpButton();

    chooseByKeyboard(models, QStringLiteral("Tavrin a4"));
    chooseByKeyboard(canvases, QStringLiteral("A4 screen"));
    ASSERT_EQ(job.canvas()->identifier(), QStringLiteral("A4"));
    expectShowsDocumentsCanvas(*window, job, "A4 chosen");

    // The smaller model has no A4 canvas: the document takes its A5. Back on
    // the larger model the document keeps that A5, which the larger model
    // offers too, and so does the pop-up.
    chooseByKeyboard(models, QStringLiteral("Tavrin a5"));
    EXPECT_EQ(job.canvas()->identifier(), QStringLiteral("A5"));
    expectShowsDocumentsCanvas(*window, job, "on the a5");
    chooseByKeyboard(models, QStringLiteral("Tavrin a4"));
    EXPECT_EQ(job.deviceDescriptor()->modelName(), QStringLiteral("Tavrin a4"));
    EXPECT_EQ(job.canvas()->identifier(), QStringLiteral("A5"));
    expectShowsDocumentsCanvas(*window, job, "back on the a4");
    EXPECT_EQ(canvases->count(), 4);

    // The same round trip by script.
    chooseByKeyboard(canvases, QStringLiteral("Frame 210 × 300"));
    expectShowsDocumentsCanvas(*window, job, "frame chosen");
    const QString path = pathOf(0);
    for (const char* model : {"Tavrin a5", "Tavrin a4"}) {
        const GdbusResult set = setProperty(path, documentInterface, QStringLiteral("modelName"),
                                            QStringLiteral("<'%1'>").arg(QLatin1String(model)));
        ASSERT_TRUE(set.succeeded()) << set.error.toStdString();
        EXPECT_EQ(models->currentText(), QLatin1String(model));
        expectShowsDocumentsCanvas(*window, job, model);
    }
    EXPECT_EQ(job.canvas()->identifier(), QStringLiteral("A5"));

    // A document without a canvas (a package naming a canvas the model
    // lacks opens so) shows no item rather than one it does not have.
    job.setCanvas(nullptr);
    EXPECT_EQ(canvases->currentIndex(), -1);
    job.undoManager()->undo();
    expectShowsDocumentsCanvas(*window, job, "canvas back");

    // Undo walks back through the same canvases, the pop-up with it.
    while (job.undoManager()->canUndo()) {
        job.undoManager()->undo();
        QCoreApplication::processEvents();
        if (job.canvas()) {
            expectShowsDocumentsCanvas(*window, job, "undo");
        }
    }
}

TEST_F(ScriptingTest, ALoadTakesTheFileOfItsArgumentInAndReportsWhyItCannotBeRead) {
    const QString path = pathOf(0);
    kestrom::PrintDocument& job = document(0)->job();
    // Every form that names no file that can be read answers a script
    // error and keeps the document as it was. A relative path names no file,
    // even beside the service's own working folder: the script's folder is
    // not known here.
    const QString workingFolder = QDir::currentPath();
    const QFileInfo mark(stencilMark());
    ASSERT_TRUE(QDir::setCurrent(mark.path()));
    const QString noArgument =
        scriptError +
        QStringLiteral("5: LoadImage needs the argument “in”: the picture file's absolute path "
                       "or file URL.");
    const auto relative = [](const QString& given) {
        return scriptError + QStringLiteral("22: “%1” is a relative path; name the file by its "
                                            "absolute path or a file URL.")
                                 .arg(given);
    };
    const auto noFile = [](const QString& given) {
        return scriptError + QStringLiteral("22: “%1” is not the location of a file; name the "
                                            "file by its absolute path or a file URL.")
                                 .arg(given);
    };
    const auto missing = [](const QString& name) {
        return scriptError +
               QStringLiteral("2: The file “%1” cannot be read (No such file or directory).")
                   .arg(name);
    };
    const struct {
        QString arguments;
        QString expected;
    } failing[] = {
        {QStringLiteral("@a{sv} {}"), noArgument},
        {QStringLiteral("{'from': <'%1'>}").arg(stencilMark()), noArgument},
        {loadArgument(QStringLiteral("42")), noFile(QStringLiteral("42"))},
        {loadArgument(QStringLiteral("''")), noFile(QString())},
        {loadArgument(QStringLiteral("'https://example.org/mark.png'")),
         noFile(QStringLiteral("https://example.org/mark.png"))},
        {loadArgument(quoted(mark.fileName())), relative(mark.fileName())},
        {loadArgument(quoted(QStringLiteral("file:") + mark.fileName())),
         relative(QStringLiteral("file:") + mark.fileName())},
        {loadArgument(quoted(QStringLiteral("./") + mark.fileName())),
         relative(QStringLiteral("./") + mark.fileName())},
        {loadArgument(quoted(m_folder.filePath(QStringLiteral("missing.png")))),
         missing(QStringLiteral("missing.png"))},
        {loadArgument(
             quoted(QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("gone.png"))).toString())),
         missing(QStringLiteral("gone.png"))},
    };
    for (const auto& each : failing) {
        const GdbusResult load = call(path, method("LoadImage"), {each.arguments});
        EXPECT_FALSE(load.succeeded()) << each.arguments.toStdString();
        EXPECT_TRUE(load.error.contains(each.expected))
            << each.arguments.toStdString() << ": " << load.error.toStdString() << " lacks "
            << each.expected.toStdString();
        EXPECT_FALSE(job.originalImage()) << each.arguments.toStdString();
        EXPECT_FALSE(job.undoManager()->canUndo()) << each.arguments.toStdString();
    }
    QDir::setCurrent(workingFolder);

    const GdbusResult load = call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))});
    ASSERT_TRUE(load.succeeded()) << load.error.toStdString();
    ASSERT_TRUE(job.originalImage());
    EXPECT_EQ(job.originalImage()->fileURL(), QUrl::fromLocalFile(stencilMark()));
    EXPECT_TRUE(getProperty(path, documentInterface, QStringLiteral("modelName")).succeeded());
    const auto picture = job.originalImage();

    // A folder and a device: the file error's number and text. A PNG cut
    // short, one cut after its header, and words named .png hold no picture:
    // that error is numbered 0, so the message is its text alone. The
    // picture stays each time.
    const QByteArray png = noisyPng();
    const auto writeFile = [&](const char* name, const QByteArray& bytes) {
        QFile file(m_folder.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString cut = writeFile("cut.png", png.left(png.size() / 2));
    const QString header = writeFile("header.png", png.left(33));
    const QString text = writeFile("notes.png", "no picture here\n");
    const auto noPicture = [](const QString& file) {
        return scriptError +
               ambrel::OriginalImageError::containsNoValidImage(QFileInfo(file).fileName())
                   .localizedDescription();
    };
    const struct {
        QString file;
        QString expected;
    } unreadable[] = {
        {m_folder.path(), scriptError + QStringLiteral("21: The file “%1” cannot be read")
                                            .arg(QFileInfo(m_folder.path()).fileName())},
        {QStringLiteral("/dev/null"), scriptError + QStringLiteral("22: ")},
        {cut, noPicture(cut)},
        {header, noPicture(header)},
        {QUrl::fromLocalFile(text).toString(), noPicture(text)},
        {m_folder.filePath(QStringLiteral("missing.png")),
         scriptError + QStringLiteral("2: The file “missing.png” cannot be read")},
    };
    for (const auto& each : unreadable) {
        const GdbusResult failed =
            call(path, method("LoadImage"), {loadArgument(quoted(each.file))});
        EXPECT_FALSE(failed.succeeded()) << each.file.toStdString();
        EXPECT_TRUE(failed.error.contains(each.expected))
            << failed.error.toStdString() << " lacks " << each.expected.toStdString();
        EXPECT_EQ(job.originalImage(), picture);
    }
    if (::geteuid() != 0) {
        QFile locked(m_folder.filePath(QStringLiteral("locked.png")));
        ASSERT_TRUE(QFile::copy(stencilMark(), locked.fileName()));
        locked.setPermissions(QFileDevice::Permissions());
        const GdbusResult failed =
            call(path, method("LoadImage"), {loadArgument(quoted(locked.fileName()))});
        EXPECT_TRUE(failed.error.contains(scriptError + QStringLiteral("13: ")))
            << failed.error.toStdString();
    }
}

TEST_F(ScriptingTest, TheCommandsScaleResetRepeatsAndClearThePictureAsUndoableSteps) {
    const QString path = pathOf(0);
    kestrom::PrintDocument& job = document(0)->job();
    ASSERT_TRUE(call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    ASSERT_TRUE(job.originalImage());

    job.setImageRepeatXCount(3);
    job.setImageRepeatYCount(2);
    ASSERT_TRUE(call(path, method("ClearImageRepeat")).succeeded());
    EXPECT_EQ(job.imageRepeatXCount(), 1);
    EXPECT_EQ(job.imageRepeatYCount(), 1);

    job.setImageSizeWithWidthForDisplay_mm(20);
    ASSERT_TRUE(call(path, method("ScaleImageToActualSize")).succeeded());
    EXPECT_EQ(job.imageSize_px(), job.originalImage()->size_px(job.deviceDescriptor()->dpi()));

    job.setImageOffset_mm({5, 5});
    ASSERT_TRUE(call(path, method("ScaleImageToFit")).succeeded());
    EXPECT_EQ(job.imageOffset_mm(), (ambrel::Point_mm{0, 0}));
    const ambrel::Size_mm fitted = job.imageSizeForDisplay_mm();
    const ambrel::Size_mm canvas = job.canvas()->size_mm();
    EXPECT_TRUE(std::abs(fitted.width - canvas.width) < 0.5 ||
                std::abs(fitted.height - canvas.height) < 0.5);

    ASSERT_TRUE(call(path, method("ClearImage")).succeeded());
    EXPECT_FALSE(job.originalImage());
    EXPECT_TRUE(call(path, method("ClearImage")).succeeded());
    // The scripted removal is the user's to undo.
    ASSERT_TRUE(job.undoManager()->canUndo());
    job.undoManager()->undo();
    EXPECT_TRUE(job.originalImage());
}

TEST_F(ScriptingTest, TheAnchorTakesOnlyAnchorsTheModelAllows) {
    const QString path = pathOf(0);
    kestrom::PrintDocument& job = document(0)->job();
    const auto anchor = [&](const char* value) {
        return setProperty(path, documentInterface, QStringLiteral("imageOffsetBase"),
                           QStringLiteral("<'%1'>").arg(QLatin1String(value)));
    };
    ASSERT_TRUE(anchor("bottomRight").succeeded());
    EXPECT_EQ(job.imageOffsetBase(), ambrel::OffsetBase::bottomRight);
    EXPECT_EQ(getProperty(path, documentInterface, QStringLiteral("imageOffsetBase")).output,
              QStringLiteral("(<'bottomRight'>,)"));

    const GdbusResult unknown = anchor("nowhere");
    EXPECT_TRUE(unknown.error.contains(QStringLiteral("InvalidArgs")))
        << unknown.error.toStdString();
    job.setDeviceDescriptor(nullptr);
    const GdbusResult refused = anchor("top");
    EXPECT_TRUE(refused.error.contains(
        scriptError + QStringLiteral("40: The machine does not support this offset base.")))
        << refused.error.toStdString();
    EXPECT_EQ(job.imageOffsetBase(), ambrel::OffsetBase::bottomRight);
    EXPECT_EQ(getProperty(path, documentInterface, QStringLiteral("modelName")).output,
              QStringLiteral("(<''>,)"));
}

TEST_F(ScriptingTest, TheServicesMethodLoadsIntoTheEmptyDocumentElseIntoANewOne) {
    const QString application = ScriptingService::applicationPath;
    const QString loadImage = QStringLiteral("org.lunvik.Lunvik.Services.LoadImage");
    const QString png = byteArrayArgument(smallPng());

    const GdbusResult first = call(application, loadImage, {png, QStringLiteral("image/png")});
    ASSERT_TRUE(first.succeeded()) << first.error.toStdString();
    ASSERT_EQ(documentCount(), 1);
    ASSERT_TRUE(document(0)->job().originalImage());
    EXPECT_EQ(document(0)->job().originalImage()->size_px(ambrel::Dpi(72)).width, 64);

    const GdbusResult second = call(application, loadImage, {png, QStringLiteral("image/png")});
    ASSERT_TRUE(second.succeeded()) << second.error.toStdString();
    ASSERT_EQ(documentCount(), 2);
    EXPECT_TRUE(document(1)->job().originalImage());
    const GdbusResult listed = getProperty(application, ScriptingService::applicationInterface,
                                           QStringLiteral("documents"));
    EXPECT_EQ(listed.output,
              QStringLiteral("(<[objectpath '%1', '%2']>,)").arg(pathOf(0), pathOf(1)));

    // What is no picture type, or no data, is refused before any document is made.
    for (const QStringList& arguments :
         {QStringList{png, QStringLiteral("text/plain")},
          QStringList{QStringLiteral("@ay []"), QStringLiteral("image/png")}}) {
        const GdbusResult refused = call(application, loadImage, arguments);
        EXPECT_TRUE(refused.error.contains(QStringLiteral("InvalidArgs")))
            << refused.error.toStdString();
    }
    EXPECT_EQ(documentCount(), 2);
}

// A file named again and again in one call, in different spellings of its
// path, opens once and takes no more of the limits than once.
TEST_F(ScriptingTest, OpenTakesAFileNamedManyTimesOnce) {
    const QString picture = m_folder.filePath(QStringLiteral("small.png"));
    {
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(smallPng());
    }
    QStringList uris;
    for (int i = 0; i < 20; ++i) {
        uris << quoted(QUrl::fromLocalFile(picture).toString());
        uris << quoted(
            QUrl::fromLocalFile(m_folder.path() + QStringLiteral("/./small.png")).toString());
    }
    const GdbusResult opened =
        call(ScriptingService::applicationPath, QStringLiteral("org.freedesktop.Application.Open"),
             {u'[' + uris.join(u',') + u']', QStringLiteral("{}")});
    EXPECT_TRUE(opened.succeeded()) << opened.error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return document(0)->job().originalImage() != nullptr; }, 10000));
    EXPECT_EQ(documentCount(), 1);
    EXPECT_EQ(m_delegate->scriptingService()->budget().used(), 0);
}

// A file URL names a file of this machine when its host is empty or
// "localhost", in any letter case; another host's file is no file here.
// Both load methods and Open take them so.
TEST_F(ScriptingTest, AFileUrlOfLocalhostNamesALocalFile) {
    const QString path = pathOf(0);
    const QString picture = m_folder.filePath(QStringLiteral("small.png"));
    {
        QFile file(picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(smallPng());
    }
    const QString local = QUrl::fromLocalFile(picture).path();
    for (const QString& host : {QStringLiteral("localhost"), QStringLiteral("LocalHost")}) {
        document(0)->job().setOriginalImage(nullptr);
        const QString url = QStringLiteral("file://") + host + local;
        const GdbusResult load = call(path, method("LoadImage"), {loadArgument(quoted(url))});
        EXPECT_TRUE(load.succeeded()) << url.toStdString() << ": " << load.error.toStdString();
        ASSERT_TRUE(document(0)->job().originalImage());
        EXPECT_EQ(document(0)->job().originalImage()->fileURL(), QUrl::fromLocalFile(picture));
    }
    const QString elsewhere = QStringLiteral("file://printshop.example") + local;
    const GdbusResult refused = call(path, method("LoadImage"), {loadArgument(quoted(elsewhere))});
    EXPECT_TRUE(refused.error.contains(
        scriptError + QStringLiteral("22: “%1” is not the location of a file").arg(elsewhere)))
        << refused.error.toStdString();

    const QString open = QStringLiteral("org.freedesktop.Application.Open");
    const QString another = m_folder.filePath(QStringLiteral("another.png"));
    ASSERT_TRUE(QFile::copy(picture, another));
    const GdbusResult opened =
        call(ScriptingService::applicationPath, open,
             {QStringLiteral("['file://localhost%1']").arg(QUrl::fromLocalFile(another).path()),
              QStringLiteral("{}")});
    EXPECT_TRUE(opened.succeeded()) << opened.error.toStdString();
    EXPECT_TRUE(waitUntil([&] { return documentCount() == 2; }, 10000)) << documentCount();
    const GdbusResult foreign =
        call(ScriptingService::applicationPath, open,
             {QStringLiteral("['%1']").arg(elsewhere), QStringLiteral("{}")});
    EXPECT_TRUE(foreign.error.contains(QStringLiteral("InvalidArgs")))
        << foreign.error.toStdString();
}

namespace {

// The error alerts that show now, anywhere in the application.
QList<QMessageBox*> shownErrorSheets() {
    QList<QMessageBox*> sheets;
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->objectName() == QStringLiteral("ErrorSheet") && box->isVisible()) {
            sheets << box;
        }
    }
    return sheets;
}

// The Open method's argument of file URLs.
QString uriArgument(const QStringList& paths) {
    QStringList uris;
    for (const QString& path : paths) {
        uris << u'\'' + QUrl::fromLocalFile(path).toString() + u'\'';
    }
    return u'[' + uris.join(u',') + u']';
}

} // namespace

// Files over the limits for other programs, as a start with many files
// hands them over: the caller hears of them and so does the user, in one
// alert that later refusals add to.
TEST_F(ScriptingTest, FilesOpenRefusesAreShownInOneAlert) {
    QStringList pictures;
    for (int i = 0; i < 20; ++i) {
        pictures << m_folder.filePath(QStringLiteral("p%1.png").arg(i));
        QFile file(pictures.back());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(smallPng());
    }
    const QString open = QStringLiteral("org.freedesktop.Application.Open");
    const GdbusResult first = call(ScriptingService::applicationPath, open,
                                   {uriArgument(pictures.mid(0, 10)), QStringLiteral("{}")});
    EXPECT_TRUE(
        first.error.contains(scriptError + QStringLiteral("2 of the 10 files were not opened")))
        << first.error.toStdString();
    ASSERT_TRUE(waitUntil([] { return shownErrorSheets().size() == 1; }, 10000));
    QMessageBox* alert = shownErrorSheets().first();
    EXPECT_EQ(alert->text(),
              QStringLiteral("2 of the 10 files other programs handed over were not opened."));
    EXPECT_TRUE(alert->informativeText().startsWith(QStringLiteral("Over the limits (2)")))
        << alert->informativeText().toStdString();

    const GdbusResult second = call(ScriptingService::applicationPath, open,
                                    {uriArgument(pictures.mid(10)), QStringLiteral("{}")});
    EXPECT_TRUE(second.error.contains(QStringLiteral("2 of the 10 files were not opened")))
        << second.error.toStdString();
    ASSERT_TRUE(waitUntil([&] { return !alert->text().startsWith(u'2'); }, 10000));
    EXPECT_EQ(shownErrorSheets(), QList<QMessageBox*>{alert});
    EXPECT_EQ(alert->text(),
              QStringLiteral("4 of the 20 files other programs handed over were not opened."));
    EXPECT_TRUE(alert->informativeText().startsWith(QStringLiteral("Over the limits (4)")));
}

// Files that fail to open, call after call: each call's answer tells why,
// and the user sees one alert, however many calls and files.
TEST_F(ScriptingTest, FilesThatFailToOpenAreToldInTheAnswerAndInOneAlert) {
    QStringList files;
    for (int i = 0; i < 7; ++i) {
        files << m_folder.filePath(QStringLiteral("missing-%1.lunvik").arg(i));
    }
    files << m_folder.filePath(QStringLiteral("broken.png"));
    {
        QFile broken(files.back());
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("no picture at all");
    }
    const QString open = QStringLiteral("org.freedesktop.Application.Open");
    const GdbusResult first =
        call(ScriptingService::applicationPath, open, {uriArgument(files), QStringLiteral("{}")});
    EXPECT_TRUE(first.error.contains(scriptError)) << first.error.toStdString();
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(first.error.contains(QStringLiteral("missing-%1.lunvik").arg(i)))
            << first.error.toStdString();
    }
    EXPECT_TRUE(first.error.contains(QStringLiteral("broken.png"))) << first.error.toStdString();
    // The answer comes once every file has ended: the alert is there.
    ASSERT_TRUE(waitUntil([] { return !shownErrorSheets().isEmpty(); }, 10000));
    QTest::qWait(100);
    ASSERT_EQ(shownErrorSheets().size(), 1);
    QMessageBox* alert = shownErrorSheets().first();
    EXPECT_EQ(alert->text(),
              QStringLiteral("8 of the 8 files other programs handed over were not opened."));
    EXPECT_TRUE(
        alert->informativeText().endsWith(QStringLiteral("And 3 more that could not be opened.")))
        << alert->informativeText().toStdString();

    const GdbusResult second =
        call(ScriptingService::applicationPath, open, {uriArgument(files), QStringLiteral("{}")});
    EXPECT_TRUE(second.error.contains(QStringLiteral("missing-6.lunvik")))
        << second.error.toStdString();
    QTest::qWait(100);
    EXPECT_EQ(shownErrorSheets(), QList<QMessageBox*>{alert});
    EXPECT_EQ(alert->text(),
              QStringLiteral("16 of the 16 files other programs handed over were not opened."));
    // A window made for the picture that did not load goes again.
    EXPECT_TRUE(waitUntil([&] { return documentCount() == 1; }, 10000)) << documentCount();
}

// A picture refused for its size answers a number of its own, not one of
// the system's error numbers (1 and 2 would read as "operation not
// permitted" and "no such file"), through both load methods.
TEST_F(ScriptingTest, APictureTooLargeAnswersItsOwnNumberThroughBothLoadMethods) {
    const QString path = pathOf(0);
    // 88 bytes: a 2 x 2 picture on a logical screen of 11308 x 11308.
    QByteArray gif =
        testpictures::gif(testpictures::filled(2, 2, QImage::Format_Grayscale8, 0xFF808080));
    gif.replace(6, 4, QByteArray::fromHex("2c2c2c2c"));
    QFile file(m_folder.filePath(QStringLiteral("screen.gif")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(gif);
    file.close();
    const QString tooLarge = QString::number(ambrel::OriginalImageError::tooLargeScriptNumber);
    const GdbusResult scripted =
        call(path, method("LoadImage"), {loadArgument(quoted(file.fileName()))});
    EXPECT_TRUE(scripted.error.contains(scriptError + tooLarge +
                                        QStringLiteral(": “screen.gif” is too large to be used.")))
        << scripted.error.toStdString();
    const GdbusResult serviced =
        call(ScriptingService::applicationPath, servicesMethod("LoadImage"),
             {byteArrayArgument(gif), QStringLiteral("image/gif")});
    EXPECT_TRUE(serviced.error.contains(
        scriptError + tooLarge +
        QStringLiteral(": The picture in the data is too large to be used.")))
        << serviced.error.toStdString();

    // Neither refusal's number is a system error's, nor the other's.
    const qint64 memory = ambrel::OriginalImageError::cannotAllocateMemory({}).code();
    EXPECT_EQ(memory, ambrel::OriginalImageError::cannotAllocateMemoryScriptNumber);
    for (const qint64 number : {memory, ambrel::OriginalImageError::tooLarge({}).code()}) {
        EXPECT_GT(number, 255) << number;
    }
    EXPECT_NE(memory, ambrel::OriginalImageError::tooLarge({}).code());
}

TEST_F(ScriptingTest, APageBeyondPdfsLimitIsRefusedByBothLoadMethods) {
    const QString path = pathOf(0);
    kestrom::PrintDocument& job = document(0)->job();
    ASSERT_TRUE(call(path, method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    const auto picture = job.originalImage();

    // About 1e19 points wide; the other side written with 400 digits.
    const QByteArray wide = testpictures::pdfWithMediaBox("0 0 10000000000000000000 500");
    const QByteArray tall = testpictures::pdfWithMediaBox("0 0 500 1" + QByteArray(399, '0'));
    QFile file(m_folder.filePath(QStringLiteral("wide.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wide);
    file.close();
    const GdbusResult scripted =
        call(path, method("LoadImage"), {loadArgument(quoted(file.fileName()))});
    EXPECT_FALSE(scripted.succeeded());
    EXPECT_TRUE(scripted.error.contains(
        scriptError + ambrel::OriginalImageError::containsNoValidImage(QStringLiteral("wide.pdf"))
                          .localizedDescription()))
        << scripted.error.toStdString();
    EXPECT_EQ(job.originalImage(), picture);

    const GdbusResult serviced = call(ScriptingService::applicationPath,
                                      QStringLiteral("org.lunvik.Lunvik.Services.LoadImage"),
                                      {byteArrayArgument(tall), QStringLiteral("application/pdf")});
    EXPECT_FALSE(serviced.succeeded());
    EXPECT_TRUE(serviced.error.contains(QStringLiteral("holds no picture that can be used")))
        << serviced.error.toStdString();
    // The application is still there and answers.
    EXPECT_TRUE(getProperty(path, documentInterface, QStringLiteral("modelName")).succeeded());
    EXPECT_EQ(job.originalImage(), picture);
}

TEST_F(ScriptingTest, BadCallsGetErrorsAndLoseNoDocument) {
    kestrom::PrintDocument& job = document(0)->job();
    ASSERT_TRUE(
        call(pathOf(0), method("LoadImage"), {loadArgument(quoted(stencilMark()))}).succeeded());
    const auto picture = job.originalImage();
    ASSERT_TRUE(picture);

    QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
    ASSERT_TRUE(client.isConnected());
    const auto send = [&](const QString& path, const QString& interface, const QString& member,
                          const QVariantList& arguments) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(ScriptingService::serviceName, path, interface, member);
        message.setArguments(arguments);
        QDBusPendingCall pending = client.asyncCall(message, 120000);
        waitUntil([&] { return pending.isFinished(); }, 130000);
        return pending.reply();
    };
    const auto errorName = [](const QDBusMessage& reply) {
        return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
    };
    const QString path = pathOf(0);
    const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
    const QVariant number = QVariant::fromValue(QDBusVariant(42));

    EXPECT_EQ(
        errorName(send(path, documentInterface, QStringLiteral("LoadImage"), {stencilMark()})),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    EXPECT_EQ(errorName(send(path, documentInterface, QStringLiteral("Print"), {1})),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    EXPECT_EQ(errorName(send(path, properties, QStringLiteral("Set"),
                             {documentInterface, QStringLiteral("modelName"), number})),
              QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
    EXPECT_EQ(errorName(send(path, properties, QStringLiteral("Set"),
                             {documentInterface, QStringLiteral("name"),
                              QVariant::fromValue(QDBusVariant(QStringLiteral("x")))})),
              QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"));
    EXPECT_EQ(errorName(send(path, properties, QStringLiteral("Get"),
                             {documentInterface, QStringLiteral("picture")})),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"));
    EXPECT_EQ(errorName(send(ScriptingService::applicationPath, ScriptingService::servicesInterface,
                             QStringLiteral("LoadImage"), {smallPng()})),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"));
    for (const QString& nowhere : {QStringLiteral("/org/lunvik/Lunvik/Document"),
                                   QStringLiteral("/org/lunvik/Lunvik/Document/99"),
                                   QStringLiteral("/org/lunvik/Lunvik/Document/1/2")}) {
        EXPECT_EQ(errorName(send(nowhere, documentInterface, QStringLiteral("Print"), {})),
                  QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"))
            << nowhere.toStdString();
    }

    // Bytes near the bus's largest array that are no picture: an error that
    // names no file the caller never gave; the document made for them goes
    // again, and no dialog opens anywhere.
    const auto shownWindows = [] {
        qsizetype shown = 0;
        for (const QWidget* widget : QApplication::topLevelWidgets()) {
            shown += widget->isVisible() ? 1 : 0;
        }
        return shown;
    };
    const qsizetype windowsBefore = shownWindows();
    const QByteArray huge(48 << 20, '\x89');
    const QDBusMessage refused =
        send(ScriptingService::applicationPath, ScriptingService::servicesInterface,
             QStringLiteral("LoadImage"), {huge, QStringLiteral("image/png")});
    EXPECT_EQ(errorName(refused), ScriptingService::scriptErrorName);
    // That error is numbered 0: its text alone.
    EXPECT_EQ(refused.errorMessage(),
              QStringLiteral("The data holds no picture that can be used."));
    ASSERT_EQ(documentCount(), 1);
    EXPECT_EQ(job.originalImage(), picture);
    EXPECT_TRUE(waitUntil([&] { return shownWindows() == windowsBefore; }, 5000))
        << shownWindows() << " windows shown, " << windowsBefore << " before";
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(widget->isVisible() && qobject_cast<const QDialog*>(widget))
            << widget->objectName().toStdString();
    }
    EXPECT_FALSE(kestrom::DocumentWindow::windowFor(document(0))
                     ->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));

    // The same through gdbus, into a new document and then into an empty
    // open one, which stays and shows no sheet.
    const QString loadImage = servicesMethod("LoadImage");
    const QStringList words{byteArrayArgument("no picture"), QStringLiteral("image/png")};
    const QString noPicture = scriptError + QStringLiteral("The data holds no picture");
    const GdbusResult intoNew = call(ScriptingService::applicationPath, loadImage, words);
    EXPECT_FALSE(intoNew.succeeded());
    EXPECT_TRUE(intoNew.error.contains(noPicture)) << intoNew.error.toStdString();
    EXPECT_FALSE(intoNew.error.contains(QStringLiteral(".png"))) << intoNew.error.toStdString();
    ASSERT_EQ(documentCount(), 1);
    m_delegate->newDocument();
    ASSERT_EQ(documentCount(), 2);
    const GdbusResult intoEmpty = call(ScriptingService::applicationPath, loadImage, words);
    EXPECT_TRUE(intoEmpty.error.contains(noPicture)) << intoEmpty.error.toStdString();
    ASSERT_EQ(documentCount(), 2);
    EXPECT_FALSE(document(1)->job().originalImage());
    auto* madeWindow = kestrom::DocumentWindow::windowFor(document(1));
    ASSERT_TRUE(madeWindow);
    EXPECT_FALSE(madeWindow->findChild<QMessageBox*>(QStringLiteral("ErrorSheet")));
    EXPECT_FALSE(madeWindow->runPresenter()->isShowingSheet());

    // A closed document's object is gone, and its path never comes back.
    const QString closed = pathOf(1);
    m_delegate->documentController()->removeDocument(document(1));
    EXPECT_EQ(errorName(send(closed, documentInterface, QStringLiteral("ClearImage"), {})),
              QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    m_delegate->newDocument();
    EXPECT_NE(pathOf(1), closed);

    EXPECT_EQ(documentCount(), 2);
    EXPECT_EQ(job.originalImage(), picture);
    EXPECT_TRUE(getProperty(path, documentInterface, QStringLiteral("modelName")).succeeded());
}
