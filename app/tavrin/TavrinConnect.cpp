#include "app/tavrin/TavrinConnect.h"

#include "app/tavrin/TavrinDeviceConnection.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "platform/Log.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <mutex>

namespace lunvik {

const QString TavrinConnect::worldwideModelName = QStringLiteral("Tavrin a4");
const QString TavrinConnect::chinaModelName = QStringLiteral("Tavrin c4");
const QString TavrinConnect::printerType = QStringLiteral("vessik");

namespace {

const QString bundleName = QStringLiteral("TavrinConnect");

std::mutex& bundleMutex() {
    static std::mutex m;
    return m;
}

const platform::Bundle*& storedBundle() {
    static const platform::Bundle* bundle = nullptr;
    return bundle;
}

const platform::Bundle* ownBundle() {
    const platform::Bundle* bundle = platform::Bundle::named(bundleName);
    if (!QFileInfo(bundle->resourceRoot()).isDir()) {
        platform::Log::fatal(
            QStringLiteral("unable to find bundle named TavrinConnect_TavrinConnect"));
    }
    return bundle;
}

} // namespace

std::optional<TavrinConnect::Region> TavrinConnect::regionFromRawValue(const QString& rawValue) {
    if (rawValue == QLatin1String("china")) {
        return Region::china;
    }
    if (rawValue == QLatin1String("worldwide")) {
        return Region::worldwide;
    }
    return std::nullopt;
}

QString TavrinConnect::rawValue(Region region) {
    return region == Region::china ? QStringLiteral("china") : QStringLiteral("worldwide");
}

TavrinConnect::TavrinConnect(Region region) : m_region(region) {}

TavrinConnect::~TavrinConnect() = default;

std::shared_ptr<ambrel::DeviceConnection>
TavrinConnect::newConnection(const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor,
                             ambrel::TransportType transportType) const {
    if (!descriptor || descriptor->printerType() != printerType) {
        return nullptr;
    }
    return std::make_shared<TavrinDeviceConnection>(descriptor, transportType);
}

void TavrinConnect::prepareForPrint(
    const std::shared_ptr<const ambrel::DeviceDescriptor>& descriptor) const {
    if (descriptor && descriptor->printerType() == printerType) {
        TavrinDeviceConnection::prepareMemory(*descriptor);
    }
}

const platform::Bundle* TavrinConnect::pluginBundle() {
    std::lock_guard lock(bundleMutex());
    if (!storedBundle()) {
        storedBundle() = ownBundle();
    }
    return storedBundle();
}

void TavrinConnect::setPluginBundle(const platform::Bundle* bundle) {
    std::lock_guard lock(bundleMutex());
    storedBundle() = bundle;
}

const ambrel::LocalizedStringTable& TavrinConnect::sharedStringTable() {
    static const ambrel::LocalizedStringTable table(pluginBundle());
    return table;
}

QString TavrinConnect::rewrittenForChina(const QString& text) {
    QString rewritten = text;
    rewritten.replace(worldwideModelName, chinaModelName, Qt::CaseSensitive);
    static const QRegularExpression movie(
        QStringLiteral("(\"completionAlertVideoName\": *\")(lunvik)(\")"));
    rewritten.replace(movie, QStringLiteral("\\1\\2_china\\3"));
    return rewritten;
}

QString TavrinConnect::deviceDescriptorsJson() const {
    const auto data =
        bundle()->dataForResource(QStringLiteral("VAZModelInfos"), QStringLiteral("json"));
    if (!data) {
        platform::Log::fatal(QStringLiteral(
            "Unexpected error reading VAZModelInfos.json of TavrinConnect/TavrinConnect"));
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(*data);
    if (decoder.hasError()) {
        platform::Log::fatal(QStringLiteral("Unexpected error: VAZModelInfos.json of "
                                            "TavrinConnect/TavrinConnect is not UTF-8 text"));
    }
    return m_region == Region::china ? rewrittenForChina(text) : text;
}

} // namespace lunvik
