#include "core/launch/StartWarmUp.h"

#include "model/descriptions/DeviceDescriptor.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QFontDatabase>
#include <QImageReader>

namespace kestrom {

namespace {

void loadImageReaders() {
    // A PNG's signature alone: finding its reader asks every plug-in, as
    // the style's icons do, and so loads them all.
    QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    QBuffer buffer(&signature);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::imageFormat(&buffer);
}

void listFonts() {
    // Reads the font configuration and lists the fonts.
    QFontDatabase::families();
}

void decodeDeviceDescriptions() {
    // Decoded once for the process; a reader that comes first waits for it.
    ambrel::DeviceDescriptor::supported();
}

void connectToSessionBus() {
    // The connection is shared by the process: the registration that comes
    // next on the main thread finds it made, or waits only for the rest.
    QDBusConnection::sessionBus();
}

} // namespace

StartWarmUp::StartWarmUp()
    : m_imageReaders(loadImageReaders), m_fonts(listFonts),
      m_deviceDescriptions(decodeDeviceDescriptions), m_sessionBus(connectToSessionBus) {}

StartWarmUp::~StartWarmUp() {
    wait();
}

void StartWarmUp::wait() {
    for (std::thread* thread : {&m_imageReaders, &m_fonts, &m_deviceDescriptions, &m_sessionBus}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
}

} // namespace kestrom
