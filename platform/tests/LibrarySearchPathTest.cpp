#include "platform/ModuleLoader.h"
#include "platform/graphics/PictureCodecs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <elf.h>
#include <link.h>

#include <utility>

namespace {

struct LoadedObject {
    QString path;
    // Each object's own search path for the libraries it needs, as linked.
    QStringList searchPath;
};

int collect(dl_phdr_info* info, size_t, void* data) {
    auto& [build, objects] = *static_cast<std::pair<QString, QList<LoadedObject>>*>(data);
    LoadedObject object;
    object.path = QString::fromLocal8Bit(info->dlpi_name);
    if (object.path.isEmpty()) {
        object.path = QStringLiteral("/proc/self/exe");
    }
    object.path = QFileInfo(object.path).canonicalFilePath();
    if (!object.path.startsWith(build)) {
        return 0;
    }
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type != PT_DYNAMIC) {
            continue;
        }
        const auto* dynamic =
            reinterpret_cast<const ElfW(Dyn)*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
        const char* strings = nullptr;
        QList<ElfW(Xword)> paths;
        for (const ElfW(Dyn)* entry = dynamic; entry->d_tag != DT_NULL; ++entry) {
            if (entry->d_tag == DT_STRTAB) {
                // The loader may have made it an address already.
                const ElfW(Addr) at = entry->d_un.d_ptr;
                strings =
                    reinterpret_cast<const char*>(at < info->dlpi_addr ? info->dlpi_addr + at : at);
            } else if (entry->d_tag == DT_RUNPATH || entry->d_tag == DT_RPATH) {
                paths << entry->d_un.d_val;
            }
        }
        for (const ElfW(Xword) offset : paths) {
            if (strings) {
                object.searchPath << QString::fromLocal8Bit(strings + offset).split(u':');
            }
        }
    }
    objects.append(object);
    return 0;
}

// The objects loaded into this process from the program's own build: the
// test program, the library and the module beside it.
QList<LoadedObject> ownObjects() {
    std::pair<QString, QList<LoadedObject>> found;
    found.first =
        QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).canonicalPath() + u'/';
    dl_iterate_phdr(collect, &found);
    return found.second;
}

} // namespace

// An empty entry in a search path is the current folder: a program started
// from a folder that holds a library of the same name as one it needs would
// load that one. The program, its libraries and modules look only in their
// own folders, whether built or installed.
TEST(LibrarySearchPath, theProgramsOwnObjectsSearchOnlyTheirOwnFolders) {
    // Only the picture worker loads the module; this test loads it here to
    // read what it was linked with.
    ASSERT_NE(platform::ModuleLoader::entry(platform::PictureCodecs::moduleFileName(),
                                            platform::PictureCodecs::entryName),
              nullptr);
    const QList<LoadedObject> own = ownObjects();
    QStringList names;
    for (const LoadedObject& object : own) {
        names << QFileInfo(object.path).fileName();
        QStringList elsewhere = object.searchPath;
        elsewhere.removeIf([](const QString& entry) { return entry.startsWith(u"$ORIGIN"); });
        EXPECT_TRUE(elsewhere.isEmpty()) << object.path.toStdString() << " searches \""
                                         << elsewhere.join(u"\", \"").toStdString() << '"';
    }
    EXPECT_TRUE(names.contains(QStringLiteral("libPlatform.so"))) << names.join(u' ').toStdString();
    EXPECT_TRUE(names.contains(platform::PictureCodecs::moduleFileName()))
        << names.join(u' ').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("PlatformTests"))) << names.join(u' ').toStdString();
}
