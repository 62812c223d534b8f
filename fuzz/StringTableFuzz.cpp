// String tables, and their texts used as formats: a translation is data.

#include "fuzz/support/FuzzApplication.h"
#include "platform/StringFormat.h"
#include "platform/StringsFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    makeFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QHash<QString, QString> table = platform::StringsFile::parse(bytes, &error);
    const QList<platform::FormatArgument> arguments{QStringLiteral("text"), 42, -7, 3.5, "bytes",
                                                    18446744073709551615ull};
    for (auto it = table.cbegin(); it != table.cend(); ++it) {
        platform::StringFormat::format(it.value(), arguments);
        platform::StringFormat::format(it.key(), {});
    }
    // The bytes themselves as one format too.
    platform::StringFormat::format(QString::fromUtf8(bytes), arguments);
    return 0;
}
