#include "platform/TemporaryDirectory.h"

#include "platform/Bundle.h"
#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

Error folderError(const QString& text) {
    Error::UserInfo info;
    info.localizedDescription = text;
    return Error(QStringLiteral("TemporaryDirectory"), 1, info);
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool isPrivateFolder(const QString& path) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

} // namespace

QString TemporaryDirectory::privateRoot() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime)) {
        return runtime;
    }
    const QString fallback = QDir::tempPath() + u'/' + Bundle::main()->name().toLower() + u'-' +
                             QString::number(::getuid());
    const QByteArray native = QFile::encodeName(fallback);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        throw folderError(
            QStringLiteral("The folder %1 cannot be made (%2).").arg(fallback, systemError()));
    }
    if (!isPrivateFolder(fallback)) {
        throw folderError(
            QStringLiteral("The folder %1 is not a private folder of this user.").arg(fallback));
    }
    return fallback;
}

QString
TemporaryDirectory::pathForApplicationTemporaryDirectory(const std::optional<QString>& subpath) {
    QString path = privateRoot() + u'/' + Bundle::main()->identifier();
    if (subpath && !subpath->isEmpty()) {
        path += u'/' + *subpath;
    }
    return QDir::cleanPath(path);
}

QUrl TemporaryDirectory::urlForApplicationTemporaryDirectory(
    const std::optional<QString>& subpath) {
    return QUrl::fromLocalFile(pathForApplicationTemporaryDirectory(subpath));
}

void TemporaryDirectory::createDirectory(const QString& path) {
    if (QFileInfo(path).isDir()) {
        return;
    }
    if (!QDir().mkpath(path)) {
        throw folderError(QStringLiteral("The folder %1 cannot be made.").arg(path));
    }
}

QString TemporaryDirectory::writeNewFile(const QString& folder, const QString& fileName,
                                         const QByteArray& data) {
    QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        name = QStringLiteral("Untitled");
    }
    const QFileInfo info(name);
    const QString base = info.completeBaseName().isEmpty() ? name : info.completeBaseName();
    const QString suffix = info.completeBaseName().isEmpty() || info.suffix().isEmpty()
                               ? QString()
                               : u'.' + info.suffix();
    for (int n = 1; n < 10000; ++n) {
        const QString candidate =
            folder + u'/' + (n == 1 ? name : base + u' ' + QString::number(n) + suffix);
        const QByteArray native = QFile::encodeName(candidate);
        // O_EXCL: a file that appears meanwhile is never replaced.
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            throw folderError(
                QStringLiteral("The file %1 cannot be made (%2).").arg(candidate, systemError()));
        }
        qsizetype written = 0;
        while (written < data.size()) {
            const ssize_t n =
                ::write(fd, data.constData() + written, size_t(data.size() - written));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                const QString reason = systemError();
                ::close(fd);
                ::unlink(native.constData());
                throw folderError(
                    QStringLiteral("The file %1 cannot be written (%2).").arg(candidate, reason));
            }
            written += n;
        }
        ::close(fd);
        return candidate;
    }
    throw folderError(QStringLiteral("No free file name for %1 in %2.").arg(name, folder));
}

} // namespace platform
