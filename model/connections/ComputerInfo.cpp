#include "model/connections/ComputerInfo.h"

#include "platform/Bundle.h"
#include "platform/StringFormat.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

namespace ambrel {

namespace {

const QString unknownModel = QStringLiteral("Unknown");

// System files are tiny; anything longer is not what we are looking for.
constexpr qint64 maxFileSize = 64 * 1024;

// A value of an os-release line: shell-like, optionally quoted, with
// backslash escapes inside double quotes.
QString unquote(QString value) {
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        const QChar quote = value.front();
        value = value.mid(1, value.size() - 2);
        if (quote == u'"') {
            static const QRegularExpression escape(QStringLiteral(R"(\\(.))"));
            value.replace(escape, QStringLiteral("\\1"));
        }
    }
    return value;
}

// Texts boards ship in place of a product name.
bool isFirmwarePlaceholder(const QString& text) {
    static const QStringList placeholders{
        QStringLiteral("To Be Filled By O.E.M."),
        QStringLiteral("To be filled by O.E.M."),
        QStringLiteral("System Product Name"),
        QStringLiteral("Default string"),
        QStringLiteral("Not Specified"),
        QStringLiteral("Not Applicable"),
        QStringLiteral("None"),
        QStringLiteral("O.E.M."),
    };
    return placeholders.contains(text, Qt::CaseInsensitive);
}

int leadingNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+)"));
    const auto match = number.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QString textOrUnknown(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) {
        return QStringLiteral("unknown");
    }
    return value.toString();
}

} // namespace

ComputerInfo::ComputerInfo(QString rootPath) : m_root(std::move(rootPath)) {}

QString ComputerInfo::readText(const QString& relativePath) const {
    QFile file(QDir(m_root).filePath(relativePath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.read(maxFileSize);
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return {};
    }
    return text.trimmed();
}

QString ComputerInfo::hardwareModel() const {
    for (const char* path : {"sys/class/dmi/id/product_name", "proc/device-tree/model",
                             "sys/firmware/devicetree/base/model"}) {
        const QString model = readText(QString::fromLatin1(path));
        if (!model.isEmpty() && !isFirmwarePlaceholder(model)) {
            return model;
        }
    }
    // Virtual machines and containers often have no firmware tables; the
    // machine's name still tells which computer it is.
    for (const char* path : {"proc/sys/kernel/hostname", "etc/hostname"}) {
        const QString name = readText(QString::fromLatin1(path)).section(u'\n', 0, 0).trimmed();
        if (!name.isEmpty() && name != QStringLiteral("(none)")) {
            return name;
        }
    }
    return unknownModel;
}

QVariantMap ComputerInfo::osRelease() const {
    for (const char* path : {"etc/os-release", "usr/lib/os-release"}) {
        const QString text = readText(QString::fromLatin1(path));
        if (text.isEmpty()) {
            continue;
        }
        QVariantMap fields;
        for (const QString& line : text.split(u'\n')) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals <= 0 || line.startsWith(u'#')) {
                continue;
            }
            fields.insert(line.left(equals).trimmed(), unquote(line.mid(equals + 1)));
        }
        return fields;
    }
    return {};
}

QString ComputerInfo::kernelRelease() const {
    return readText(QStringLiteral("proc/sys/kernel/osrelease"));
}

QString ComputerInfo::operatingSystemVersion() const {
    const QVariantMap release = osRelease();
    QString name = release.value(QStringLiteral("PRETTY_NAME")).toString();
    if (name.isEmpty()) {
        name = (release.value(QStringLiteral("NAME")).toString() + u' ' +
                release.value(QStringLiteral("VERSION")).toString())
                   .trimmed();
    }
    if (name.isEmpty()) {
        name = QStringLiteral("Linux");
    }
    const QString kernel = kernelRelease();
    return kernel.isEmpty() ? name : name + QStringLiteral(", kernel ") + kernel;
}

int ComputerInfo::operatingSystemMajorVersion() const {
    const QString versionId = osRelease().value(QStringLiteral("VERSION_ID")).toString();
    if (const int major = leadingNumber(versionId); major > 0) {
        return major;
    }
    return leadingNumber(kernelRelease());
}

QString ComputerInfo::applicationVersion(const QVariantMap& infoDictionary,
                                         const LocalizedStringTable& table) {
    const QList<platform::FormatArgument> arguments{
        textOrUnknown(infoDictionary.value(QStringLiteral("CFBundleShortVersionString"))),
        textOrUnknown(infoDictionary.value(QStringLiteral("CFBundleVersion")))};
    // The table is expected to have the format; without it the line still
    // carries both numbers.
    const QString format =
        table.getLocalizedStringOrNull(QStringLiteral("DeviceStatusElement_Content_app_format"))
            .value_or(QStringLiteral("%@ (%@)"));
    return platform::StringFormat::format(format, arguments);
}

QString ComputerInfo::applicationVersion() {
    return applicationVersion(platform::Bundle::main()->infoDictionary(),
                              LocalizedStringTable::ambrel());
}

} // namespace ambrel
