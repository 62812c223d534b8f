#include "core/launch/StartWarmUp.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QImageReader>

namespace kestrom {

namespace {

void warmUp() {
    // A PNG's signature alone: finding its reader asks every plug-in, as
    // the style's icons do, and so loads them all.
    QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    QBuffer buffer(&signature);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::imageFormat(&buffer);
    // Reads the font configuration and lists the fonts.
    QFontDatabase::families();
}

} // namespace

StartWarmUp::StartWarmUp() : m_thread(warmUp) {}

StartWarmUp::~StartWarmUp() {
    wait();
}

void StartWarmUp::wait() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

} // namespace kestrom
