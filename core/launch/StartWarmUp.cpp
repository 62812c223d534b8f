#include "core/launch/StartWarmUp.h"

#include <QBuffer>
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

} // namespace

StartWarmUp::StartWarmUp() : m_imageReaders(loadImageReaders), m_fonts(listFonts) {}

StartWarmUp::~StartWarmUp() {
    wait();
}

void StartWarmUp::wait() {
    for (std::thread* thread : {&m_imageReaders, &m_fonts}) {
        if (thread->joinable()) {
            thread->join();
        }
    }
}

} // namespace kestrom
