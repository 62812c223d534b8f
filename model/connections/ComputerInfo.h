#pragma once

#include "model/texts/LocalizedStringTable.h"

#include <QString>
#include <QVariantMap>

namespace ambrel {

// What the status list says about the computer and the application, read from
// the system's own files. The files are looked up below a root folder so that
// tests can stand in for a machine.
class ComputerInfo {
public:
    explicit ComputerInfo(QString rootPath = QStringLiteral("/"));

    // What names the computer: the firmware's product name (unless it is a
    // board's placeholder text), else the device tree's model, else the
    // machine's host name, else "Unknown".
    QString hardwareModel() const;
    // The operating system's name and version with the kernel release, such as
    // "Debian GNU/Linux 12 (bookworm), kernel 6.1.0-18-amd64".
    QString operatingSystemVersion() const;
    // The leading number of the system's version, else of the kernel release;
    // 0 when neither is known.
    int operatingSystemMajorVersion() const;

    // The application's version line: the format under
    // "DeviceStatusElement_Content_app_format" filled with the short version
    // and the build version of the information dictionary, each "unknown"
    // when missing or not a text.
    static QString applicationVersion(const QVariantMap& infoDictionary,
                                      const LocalizedStringTable& table);
    // The same for the running application.
    static QString applicationVersion();

private:
    // The text of a small system file: UTF-8, up to a first zero byte, trimmed;
    // empty when missing or not UTF-8.
    QString readText(const QString& relativePath) const;
    // The os-release fields ("NAME", "VERSION_ID", ...), unquoted.
    QVariantMap osRelease() const;
    QString kernelRelease() const;

    QString m_root;
};

} // namespace ambrel
