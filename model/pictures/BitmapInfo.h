#pragma once

#include <QString>
#include <QtGlobal>

namespace ambrel {

// A bitmap description word: alpha information, byte order and pixel format
// packed into bit fields. Each accessor reads and replaces only its field.
class BitmapInfo {
public:
    static constexpr quint32 alphaInfoMask = 0x1F;
    static constexpr quint32 byteOrderMask = 0x7000;
    static constexpr quint32 pixelFormatMask = 0xF0000;

    constexpr explicit BitmapInfo(quint32 rawValue = 0) : m_rawValue(rawValue) {}
    constexpr BitmapInfo(quint32 alphaInfo, quint32 byteOrder)
        : m_rawValue(alphaInfo | byteOrder) {}
    constexpr BitmapInfo(quint32 alphaInfo, quint32 byteOrder, quint32 pixelFormat)
        : m_rawValue(alphaInfo | byteOrder | pixelFormat) {}

    constexpr quint32 rawValue() const { return m_rawValue; }
    constexpr quint32 alphaInfo() const { return m_rawValue & alphaInfoMask; }
    constexpr quint32 byteOrderInfo() const { return m_rawValue & byteOrderMask; }
    constexpr quint32 pixelFormatInfo() const { return m_rawValue & pixelFormatMask; }
    constexpr void setAlphaInfo(quint32 v) { replace(alphaInfoMask, v); }
    constexpr void setByteOrderInfo(quint32 v) { replace(byteOrderMask, v); }
    constexpr void setPixelFormatInfo(quint32 v) { replace(pixelFormatMask, v); }

    // "CGBitmapInfo(alphaInfo: 1, byteOrderInfo: 8192, pixelFormatInfo: 0)".
    QString debugDescription() const;

    constexpr bool operator==(const BitmapInfo&) const = default;

private:
    constexpr void replace(quint32 mask, quint32 value) {
        m_rawValue = (m_rawValue & ~mask) | (value & mask);
    }

    quint32 m_rawValue;
};

} // namespace ambrel
