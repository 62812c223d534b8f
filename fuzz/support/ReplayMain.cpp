// Runs a fuzz target over files instead of generated inputs: each argument
// is a file or a folder of files. A crash names the file it came from.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

int replay(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    std::fprintf(stderr, "%s (%lld bytes)\n", qPrintable(path), qint64(bytes.size()));
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int failures = 0;
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (!QFileInfo(path).isDir()) {
            failures += replay(path);
            ++count;
            continue;
        }
        const QDir folder(path);
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            failures += replay(folder.filePath(name));
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "no inputs\n");
        return 1;
    }
    std::fprintf(stderr, "%d inputs replayed\n", count);
    return failures == 0 ? 0 : 1;
}
