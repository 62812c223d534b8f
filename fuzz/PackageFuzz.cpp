// A whole document package as a damaged or hostile one brings it: its
// settings and its picture are opened and applied to a document, which is
// saved, opened again into a second document and compared with the first.
// The input is the settings file, then optionally the separator line and the
// picture's bytes.

#include "core/document/job/PrintDocument.h"
#include "core/document/package/DocumentPackage.h"
#include "core/document/package/DocumentSettings.h"
#include "fuzz/support/FuzzApplication.h"
#include "fuzz/support/FuzzDocuments.h"
#include "platform/Error.h"

#include <QDir>
#include <QFile>

#include <cstdint>

namespace {

const QByteArray separator = QByteArrayLiteral("\n--ImageData--\n");

const kestrom::DocumentSettings::Application application{QStringLiteral("Lunvik"),
                                                         QStringLiteral("1.0")};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    fuzzCheck(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
              "the package member cannot be written");
}

QString freshPackage(const QString& name) {
    const QString path = fuzzDocumentFolder().filePath(name);
    QDir(path).removeRecursively();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    prepareFuzzDocuments();
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf(separator);
    const QString in = freshPackage(QStringLiteral("in.lunvik"));
    QDir().mkpath(in);
    writeFile(in + u'/' + kestrom::DocumentPackage::settingsFileName,
              split < 0 ? bytes : bytes.left(split));
    if (split >= 0) {
        writeFile(in + u'/' + kestrom::DocumentPackage::imageDataFileName,
                  bytes.mid(split + separator.size()));
    }

    kestrom::PrintDocument first;
    try {
        kestrom::DocumentPackage::apply(first, kestrom::DocumentPackage::load(in), application);
    } catch (const platform::Error&) {
        return 0; // refused as a whole: fine
    }

    // What opened must save, and open again as the same document.
    const QString out = freshPackage(QStringLiteral("out.lunvik"));
    kestrom::PrintDocument second;
    try {
        kestrom::DocumentPackage::write(first, out);
        kestrom::DocumentPackage::apply(second, kestrom::DocumentPackage::load(out), application);
    } catch (const platform::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.localizedDescription()));
        fuzzCheck(false, "an opened package does not save and open again");
    }
    fuzzCheck(kestrom::DocumentSettings::dictionaryForSave(first) ==
                  kestrom::DocumentSettings::dictionaryForSave(second),
              "the settings change on the way through a save");
    const auto& before = first.originalImage();
    const auto& after = second.originalImage();
    fuzzCheck(bool(before) == bool(after) &&
                  (!before || (before->data() == after->data() &&
                               before->imageOriginalSizeInfo() == after->imageOriginalSizeInfo())),
              "the picture changes on the way through a save");
    return 0;
}
