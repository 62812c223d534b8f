#include "model/pictures/OffsetBase.h"

#include "model/texts/LocalizedStringTable.h"

#include <QHash>

namespace ambrel {

namespace {

struct Names {
    const char* rawValue;
    const char* code;
    const char* symbol;
};

// Indexed by vertical position * 3 + horizontal position.
constexpr Names names[9] = {
    {"topLeft", "obTL", "arrow.up.left"},
    {"top", "obTo", "arrow.up"},
    {"topRight", "obTR", "arrow.up.right"},
    {"left", "obLe", "arrow.left"},
    {"center", "obCe", "plus"},
    {"right", "obRi", "arrow.right"},
    {"bottomLeft", "obBL", "arrow.down.left"},
    {"bottom", "obBo", "arrow.down"},
    {"bottomRight", "obBR", "arrow.down.right"},
};

int indexOf(const OffsetBase& b) {
    return int(b.value());
}

OffsetBase atIndex(int i) {
    return OffsetBase::Case(i);
}

// Four ASCII characters, the first in the most significant byte.
qint32 codeOf(const char* chars) {
    quint32 code = 0;
    for (int i = 0; i < 4; ++i) {
        code = (code << 8) | quint8(chars[i]);
    }
    return qint32(code);
}

// Built once, on first use; the initialisation of a local static is thread-safe.
const QHash<qint32, int>& codeTable() {
    static const QHash<qint32, int> table = [] {
        QHash<qint32, int> t;
        for (int i = 0; i < 9; ++i) {
            t.insert(codeOf(names[i].code), i);
        }
        return t;
    }();
    return table;
}

} // namespace

const QStringList& OffsetBase::rawValues() {
    static const QStringList values = [] {
        QStringList list;
        for (const Names& name : names) {
            list.append(QLatin1String(name.rawValue));
        }
        return list;
    }();
    return values;
}

std::optional<qint32> OffsetBase::fourCharCode() const {
    return codeOf(names[indexOf(*this)].code);
}

std::optional<OffsetBase> OffsetBase::fromFourCharCode(qint32 code) {
    const auto it = codeTable().constFind(code);
    if (it == codeTable().cend()) {
        return std::nullopt;
    }
    return atIndex(it.value());
}

QString OffsetBase::systemSymbolName() const {
    return QLatin1String(names[indexOf(*this)].symbol);
}

QString OffsetBase::menuTitle() const {
    return LocalizedStringTable::ambrel().getLocalizedStringOrKey(
        QStringLiteral("OffsetBase_menuTitleWithoutArrow_") + rawValue());
}

OffsetBase OffsetBase::decode(const JsonReader& reader) {
    const QString raw = reader.string();
    if (auto base = fromRawValue(raw)) {
        return *base;
    }
    reader.fail(
        DecodingError::Case::dataCorrupted,
        QStringLiteral("Cannot initialize OffsetBase from invalid String value %1").arg(raw));
}

} // namespace ambrel
