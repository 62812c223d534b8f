#include "app/tavrin/TavrinDeviceConnection.h"

#include "app/tavrin/TavrinBitmapRenderer.h"
#include "app/tavrin/TavrinCommand.h"
#include "app/tavrin/TavrinCommandError.h"
#include "app/tavrin/TavrinCountingContext.h"
#include "app/tavrin/TavrinDebugPartWriter.h"
#include "app/tavrin/TavrinJobInterruptedError.h"
#include "app/tavrin/TavrinUnfinishedJobError.h"
#include "imaging/print/BlackConversionRows.h"
#include "model/columns/PackedColumnMemory.h"
#include "model/connections/PrintTask.h"
#include "model/descriptions/DeviceDescriptor.h"
#include "model/errors/ConnectionError.h"
#include "model/texts/PrintProgressDescription.h"
#include "platform/KeyboardModifiers.h"
#include "platform/Log.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"
#include "platform/compute/Device.h"
#include "platform/compute/TextureMemory.h"
#include "transport/dari/UsbDeviceCommunicator.h"

#include <algorithm>
#include <cmath>

namespace lunvik {

namespace {

using ambrel::ConnectionError;
using ambrel::PrintProgressDescription;
using Modifier = platform::KeyboardModifiers::Modifier;

const platform::KeyboardModifiers::Flags debugChord =
    Modifier::shift | Modifier::control | Modifier::option | Modifier::command;

[[noreturn]] void userCancelled() {
    throw ConnectionError(ConnectionError::Case::userCancelled);
}

void throwIfCancelled(const std::shared_ptr<platform::Progress>& progress) {
    if (progress && progress->isCancelled()) {
        userCancelled();
    }
}

// Progress texts and units change on the main thread only.
void postToProgress(const std::shared_ptr<platform::Progress>& progress,
                    std::function<void(platform::Progress&)> change) {
    if (progress) {
        platform::MainThread::post([progress, change = std::move(change)] { change(*progress); });
    }
}

void postDescription(const std::shared_ptr<platform::Progress>& progress,
                     PrintProgressDescription::Case step) {
    postToProgress(progress, [step](platform::Progress& p) {
        ambrel::setLocalizedDescription(p, PrintProgressDescription(step));
    });
}

// The "density" setting as a whole number; a model without it is a defect of
// its description.
qint64 densityOf(const ambrel::PrintTask& task) {
    const QVariant value = task.deviceSetting(QStringLiteral("density"));
    bool isNumber = false;
    const double density = value.toDouble(&isNumber);
    if (!value.isValid() || !isNumber) {
        platform::Log::fatal(
            QStringLiteral("The print task of %1 has no number for the setting \"density\".")
                .arg(task.deviceDescriptor()->modelName()));
    }
    if (!std::isfinite(density) || std::abs(density) > 1e15) {
        throw TavrinCommandError(TavrinCommandError::Case::densityOutOfRange,
                                 std::isfinite(density) ? qint64(std::trunc(density)) : 0, -128,
                                 127);
    }
    return qint64(std::trunc(density));
}

} // namespace

TavrinDeviceConnection::TavrinDeviceConnection(
    std::shared_ptr<const ambrel::DeviceDescriptor> deviceDescriptor,
    std::optional<ambrel::TransportType> transportType)
    : DeviceConnection(std::move(deviceDescriptor), transportType) {
    // The device is reached over USB whatever the transport type says.
    setCommunicator(
        std::make_shared<dari::UsbDeviceCommunicator>(vendorIdentifier, productIdentifier, false));
    // Made ready while the user gets to the print rather than during it; a
    // document with a picture has usually asked for it already.
    if (const auto& descriptor = this->deviceDescriptor()) {
        prepareMemory(*descriptor);
    } else {
        platform::compute::Device::systemDefault();
    }
}

void TavrinDeviceConnection::prepareMemory(const ambrel::DeviceDescriptor& descriptor) {
    platform::compute::Device::systemDefault();
    const ambrel::Dpi dpi = descriptor.dpi();
    qint64 largestPage = 0;
    qint64 mostColumns = 0;
    for (const auto& canvas : descriptor.canvases()) {
        const qint64 columns = dpi.imagePx(canvas->size_mm().height);
        largestPage = std::max(largestPage, dpi.imagePx(canvas->size_mm().width) * columns);
        mostColumns = std::max(mostColumns, columns);
    }
    platform::compute::TextureMemory::prepare(std::size_t(largestPage));
    const qint64 dots = descriptor.headDotCount();
    if (dots > 0 && dots % 8 == 0 && mostColumns > 0) {
        ambrel::PackedColumnMemory::prepare(std::size_t(mostColumns * (dots / 8)));
    }
}

TavrinDeviceConnection::~TavrinDeviceConnection() = default;

void TavrinDeviceConnection::print(const ambrel::PrintTask& task,
                                   const std::shared_ptr<platform::Progress>& progress) {
    if (progress) {
        progress->setTotalUnitCount(0);
        progress->setCompletedUnitCount(-1);
        ambrel::setLocalizedDescription(
            *progress, PrintProgressDescription(PrintProgressDescription::processingImage));
    }

    if ((platform::KeyboardModifiers::current() & debugChord) == debugChord) {
        try {
            renderBitmap(task, nullptr, true);
        } catch (const platform::Error&) {
        }
        userCancelled();
    }

    // A picture the print cannot place is refused before the device is opened.
    TavrinBitmapRenderer::checkPlacement(
        {deviceDescriptor()->dpi(), deviceDescriptor()->additionalInfos()},
        task.canvas()->size_mm(), task.imageSource());
    const auto context = openDevice(progress);
    const TavrinBitmapInfo_px bitmapInfo = renderBitmap(task, progress, false);
    // A conversion that cannot run fails the print here, before anything is sent.
    const std::optional<ambrel::BlackWhiteColumnPacker> packer =
        pendingConversionPacker(bitmapInfo);
    postDescription(progress, PrintProgressDescription::checkingPrinterStatus);

    // Everything the device cannot take is refused here, before any byte goes
    // out. Bitmap and column count share the connection's resolution.
    const qint64 density = densityOf(task);
    const qint64 dotCount = deviceDescriptor()->headDotCount();
    const qint64 columnCount = deviceDescriptor()->dpi().imagePx(task.canvas()->size_mm().height);
    TavrinCommand::density(density);
    TavrinCommand::jobGeometry(dotCount, columnCount);

    std::optional<TavrinDeviceState> state;
    try {
        state = readState(*context);
    } catch (const platform::Error& error) {
        // A device that cannot tell its state is still sent the job, unless
        // a job of ours stopped in the middle: the device may still wait for
        // its rest (the query went into it), and would take this job's bytes
        // as that rest, reporting nothing.
        if (mayAwaitRestOfJob()) {
            throw TavrinUnfinishedJobError(error);
        }
    }
    if (state) {
        const auto errors = deviceErrors(*state);
        if (!errors.isEmpty()) {
            errors.first().raise();
        }
        if (state->isBusy) {
            throw ConnectionError(ConnectionError::Case::printerIsBusy);
        }
    }

    postDescription(progress, PrintProgressDescription::settingParametersForPrint);
    sendDensity(density, *context);
    throwIfCancelled(progress);
    sendCommandY(0, *context);
    throwIfCancelled(progress);
    // From here on a failure may leave the device in the middle of the job,
    // until the last column has gone out.
    awaitsRestOfJob().store(true);
    sendJobGeometry(dotCount, columnCount, *context);

    // From the first column on the device images the screen, and it has no
    // command to abort a job: the job runs to its end. Cancel stands
    // disabled, and a job sent whole is a finished print whatever was
    // pressed before.
    if (progress) {
        progress->setCancellable(false);
    }
    const qint64 bitmapColumns = bitmapInfo.bitmap.width();
    TavrinCountingContext counted(*context, maxBufferCount);
    try {
        sendBlankColumns(bitmapInfo.location_px, dotCount, counted);
        postToProgress(progress, [bitmapColumns](platform::Progress& p) {
            ambrel::setLocalizedDescription(
                p, PrintProgressDescription(PrintProgressDescription::sendingImageData));
            p.setCompletedUnitCount(0);
            p.setTotalUnitCount(bitmapColumns);
        });
        if (packer) {
            sendPackedColumns(*packer, progress, maxBufferCount, counted);
        } else {
            sendBitmapColumns(bitmapInfo.bitmap, progress, counted);
        }
        sendBlankColumns(columnCount - (bitmapInfo.location_px + bitmapColumns), dotCount, counted);
    } catch (const platform::Error& error) {
        const qint64 perColumn = std::max<qint64>(1, TavrinCommand::bytesPerColumn(dotCount));
        if (counted.bytesSent() < perColumn) {
            throw; // no column is known to have gone out
        }
        throw TavrinJobInterruptedError(counted.bytesSent() / perColumn, columnCount, error);
    }
    awaitsRestOfJob().store(false);

    postToProgress(progress, [](platform::Progress& p) {
        p.setCompletedUnitCount(-1);
        ambrel::setLocalizedDescription(
            p, PrintProgressDescription(PrintProgressDescription::imageDataSendingCompleted));
    });
}

QList<ambrel::DeviceStatusElement>
TavrinDeviceConnection::_getStatusElements(fennick::DeviceCommunicationContext& context) {
    const TavrinDeviceInformation information = readInformation(context);
    QList<ambrel::DeviceStatusElement> elements{
        ambrel::DeviceStatusElement::firmware(information.firmware),
        ambrel::DeviceStatusElement::serial(information.serial),
    };
    const TavrinDeviceState state = readState(context);
    const auto errors = deviceErrors(state);
    if (!errors.isEmpty()) {
        elements.append(ambrel::DeviceStatusElement::error(errors.first()));
    }
    elements.append(ambrel::DeviceStatusElement::headTemperature(state.headTemperature));
    return elements;
}

TavrinBitmapInfo_px
TavrinDeviceConnection::renderBitmap(const ambrel::PrintTask& task,
                                     const std::shared_ptr<platform::Progress>& progress,
                                     bool writesDebugParts) {
    const auto& descriptor = *deviceDescriptor();
    TavrinBitmapRenderer::Device device{descriptor.dpi(), descriptor.additionalInfos()};
    // A print converts while it packs, or as it draws a vector page; the
    // debug bitmap is written converted.
    TavrinBitmapInfo_px info =
        writesDebugParts ? TavrinBitmapRenderer::render(device, task.canvas()->size_mm(),
                                                        task.imageSource(), progress)
                         : TavrinBitmapRenderer::renderForPrint(device, task.canvas()->size_mm(),
                                                                task.imageSource(), progress);
    if (writesDebugParts) {
        const ambrel::Dpi dpi = descriptor.dpi();
        platform::MainThread::post([info, dpi] { writeDebugPart(info, dpi); });
        userCancelled();
    }
    return info;
}

TavrinDeviceInformation
TavrinDeviceConnection::readInformation(fennick::DeviceCommunicationContext& context) {
    context.send(TavrinCommand::informationQuery());
    return TavrinDeviceInformation::decode(context.read(TavrinDeviceInformation::replyLength),
                                           deviceDescriptor()->modelName());
}

void TavrinDeviceConnection::sendBitmapColumns(const QImage& bitmap,
                                               const std::shared_ptr<platform::Progress>& progress,
                                               fennick::DeviceCommunicationContext& context) {
    using Option = ambrel::BlackWhiteColumnsSendingOption;
    const ambrel::BlackWhiteColumnsSendingOptions options =
        Option::reverseRows | Option::reverseRowBits | Option::reverseColumns;
    if (bitmap.format() == QImage::Format_Grayscale8 && bitmap.bytesPerLine() == bitmap.width() &&
        deviceDescriptor()->headDotCount() > 0 && deviceDescriptor()->headDotCount() % 8 == 0 &&
        deviceDescriptor()->headDotCount() <= INT_MAX) {
        // The rendered bitmap already is packed gray rows: no copy is made.
        sendGrayColumns(bitmap.constBits(), ambrel::Size_px{bitmap.width(), bitmap.height()},
                        int(deviceDescriptor()->headDotCount()), progress, options, maxBufferCount,
                        context);
    } else {
        sendColumns(bitmap, progress, options, maxBufferCount, context);
    }
}

std::optional<ambrel::BlackWhiteColumnPacker>
TavrinDeviceConnection::pendingConversionPacker(const TavrinBitmapInfo_px& info) const {
    if (!info.pendingConversion) {
        return std::nullopt;
    }
    const QImage& bitmap = info.bitmap;
    const qint64 headDotCount = deviceDescriptor()->headDotCount();
    // The renderer's gray bitmaps are packed rows, and the model's head was
    // checked when the job's geometry was made.
    if (bitmap.format() != QImage::Format_Grayscale8 || bitmap.bytesPerLine() != bitmap.width() ||
        headDotCount <= 0 || headDotCount % 8 != 0 || headDotCount > INT_MAX) {
        platform::Log::fatal(QStringLiteral("A gray print bitmap that cannot be packed."));
    }
    using Option = ambrel::BlackWhiteColumnsSendingOption;
    const ambrel::BlackWhiteColumnsSendingOptions options =
        Option::reverseRows | Option::reverseRowBits | Option::reverseColumns;
    const ambrel::Size_px size{bitmap.width(), bitmap.height()};
    return quenta::BlackConversionRows::packer(
        info.pendingConversion->conversion, bitmap.constBits(), size,
        info.pendingConversion->configuration, int(headDotCount), options);
}

TavrinDeviceState TavrinDeviceConnection::readState(fennick::DeviceCommunicationContext& context) {
    context.send(TavrinCommand::stateQuery());
    TavrinDeviceState state =
        TavrinDeviceState::decode(context.read(TavrinDeviceState::replyLength));
    // A device that answers a query reads commands: no job waits for columns.
    awaitsRestOfJob().store(false);
    return state;
}

std::atomic<bool>& TavrinDeviceConnection::awaitsRestOfJob() {
    static std::atomic<bool> awaits{false};
    return awaits;
}

bool TavrinDeviceConnection::mayAwaitRestOfJob() {
    return awaitsRestOfJob().load();
}

void TavrinDeviceConnection::sendDensity(qint64 density,
                                         fennick::DeviceCommunicationContext& context) {
    context.send(TavrinCommand::density(density));
}

void TavrinDeviceConnection::sendCommandY(qint64 value,
                                          fennick::DeviceCommunicationContext& context) {
    context.send(TavrinCommand::commandY(value));
}

void TavrinDeviceConnection::sendJobGeometry(qint64 dotCount, qint64 columnCount,
                                             fennick::DeviceCommunicationContext& context) {
    context.send(TavrinCommand::jobGeometry(dotCount, columnCount));
}

void TavrinDeviceConnection::sendBlankColumns(qint64 count, qint64 dotCount,
                                              fennick::DeviceCommunicationContext& context) {
    const QByteArray blank = TavrinCommand::blankColumns(count, dotCount);
    if (!blank.isEmpty()) {
        context.send(blank);
    }
}

QList<platform::Error> TavrinDeviceConnection::deviceErrors(const TavrinDeviceState& state) {
    return state.deviceErrors();
}

void TavrinDeviceConnection::writeDebugPart(const TavrinBitmapInfo_px& info, ambrel::Dpi dpi) {
    TavrinDebugPartWriter::write(info, dpi);
}

} // namespace lunvik
