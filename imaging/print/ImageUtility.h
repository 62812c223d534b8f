#pragma once

#include "platform/Error.h"

#include <QByteArray>

namespace quenta {

// Helpers for picture files.
class ImageUtility {
public:
    // The file is not laid out as the operation expects.
    class FormattingError : public platform::Error {
    public:
        static const QString domain;
        static constexpr qint64 code = 2048;

        FormattingError();

        std::shared_ptr<const platform::Error> clone() const override;
        [[noreturn]] void raise() const override;
    };

    // Sets the density of a JPEG file's JFIF header to dpi dots per inch
    // along both axes, in place; the length never changes. Throws
    // FormattingError, with the bytes unchanged, for a file that does not
    // start with the JFIF header, one too short to hold the density fields
    // and at least one byte after them, or a resolution outside 0...32767.
    static void editJpegJfifDpi(QByteArray& data, int dpi);
};

} // namespace quenta
