#include "platform/ModuleLoader.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace platform {

QString ModuleLoader::folder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ModuleLoader::folder), &info) == 0 ||
        !info.dli_fname) {
        return {};
    }
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

void* ModuleLoader::entry(const QString& fileName, const char* entryName) {
    const QString path = QDir(folder()).filePath(fileName);
    void* handle =
        dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle) {
        Log::line(QStringLiteral("cannot load the module ") + fileName + QStringLiteral(": ") +
                  QString::fromLocal8Bit(dlerror()));
        return nullptr;
    }
    void* function = dlsym(handle, entryName);
    if (!function) {
        Log::line(QStringLiteral("the module ") + path + QStringLiteral(" has no entry ") +
                  QString::fromLatin1(entryName));
    }
    return function;
}

} // namespace platform
