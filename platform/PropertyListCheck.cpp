#include "platform/PropertyListCheck.h"

#include <cstring>
#include <optional>
#include <vector>

namespace platform {

namespace {

quint64 bigEndian(const uchar* bytes, int count) {
    quint64 value = 0;
    for (int i = 0; i < count; ++i) {
        value = (value << 8) | bytes[i];
    }
    return value;
}

// A binary property list: objects found through the offset table named by
// the 32-byte trailer.
class BinaryLayout {
public:
    struct Object {
        int kind = 0;      // the high nibble of the marker byte
        quint64 count = 0; // characters, code units or entries
        quint64 start = 0; // where the contents begin
    };

    explicit BinaryLayout(const QByteArray& data)
        : m_bytes(reinterpret_cast<const uchar*>(data.constData())), m_size(quint64(data.size())) {
        if (m_size < 8 + 32) {
            return;
        }
        const uchar* trailer = m_bytes + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        m_count = bigEndian(trailer + 8, 8);
        m_top = bigEndian(trailer + 16, 8);
        m_table = bigEndian(trailer + 24, 8);
        m_valid = m_offsetSize >= 1 && m_offsetSize <= 8 && m_refSize >= 1 && m_refSize <= 8 &&
                  m_table < m_size && m_count <= (m_size - m_table) / quint64(m_offsetSize);
    }

    bool isValid() const { return m_valid; }
    quint64 count() const { return m_count; }
    quint64 top() const { return m_top; }
    const uchar* bytes() const { return m_bytes; }
    quint64 size() const { return m_size; }

    // The object's kind and extent; nothing when it lies outside the data.
    std::optional<Object> object(quint64 index) const {
        if (index >= m_count) {
            return std::nullopt;
        }
        const quint64 offset =
            bigEndian(m_bytes + m_table + index * quint64(m_offsetSize), m_offsetSize);
        if (offset >= m_size) {
            return std::nullopt;
        }
        Object object{m_bytes[offset] >> 4, quint64(m_bytes[offset] & 0x0f), offset + 1};
        if (object.count == 0x0f && object.kind >= 4) {
            // The count follows as an integer object of 1, 2, 4 or 8 bytes.
            const quint64 at = object.start;
            if (at >= m_size || (m_bytes[at] >> 4) != 1 || (m_bytes[at] & 0x0f) > 3) {
                return std::nullopt;
            }
            const int length = 1 << (m_bytes[at] & 0x0f);
            if (at + 1 + quint64(length) > m_size) {
                return std::nullopt;
            }
            object.count = bigEndian(m_bytes + at + 1, length);
            object.start = at + 1 + quint64(length);
        }
        return object;
    }

    // The objects a container refers to (for a dictionary its keys, then its
    // values); nothing when they lie outside the data.
    std::optional<quint64> references(const Object& container) const {
        const quint64 refs = container.kind == 0x0d ? container.count * 2 : container.count;
        if (container.count > m_size || refs > (m_size - container.start) / quint64(m_refSize)) {
            return std::nullopt;
        }
        return refs;
    }
    quint64 reference(const Object& container, quint64 i) const {
        return bigEndian(m_bytes + container.start + i * quint64(m_refSize), m_refSize);
    }

private:
    const uchar* m_bytes;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_top = 0;
    quint64 m_table = 0;
    bool m_valid = false;
};

bool isContainer(int kind) {
    return kind == 0x0a || kind == 0x0c || kind == 0x0d; // array, set, dictionary
}

bool textHoldsNul(const BinaryLayout& layout) {
    for (quint64 i = 0; i < layout.count(); ++i) {
        const auto object = layout.object(i);
        if (!object || (object->kind != 5 && object->kind != 6)) { // ASCII, UTF-16
            continue;
        }
        const quint64 unit = object->kind == 6 ? 2 : 1;
        if (object->count > (layout.size() - object->start) / unit) {
            continue;
        }
        const uchar* text = layout.bytes() + object->start;
        for (quint64 j = 0; j < object->count; ++j) {
            if (text[j * unit] == 0 && (unit == 1 || text[j * unit + 1] == 0)) {
                return true;
            }
        }
    }
    return false;
}

// Walks the containers from the top object without recursion; an object
// seen before is not walked again, and one that contains itself is refused.
bool nestedTooDeep(const BinaryLayout& layout) {
    enum : char { unseen, walking, done };
    std::vector<char> state(size_t(layout.count()), unseen);
    struct Frame {
        BinaryLayout::Object object;
        quint64 references;
        quint64 next;
        quint64 index;
    };
    std::vector<Frame> path;
    // True when the object is a container already on the path.
    auto enter = [&](quint64 index) {
        if (index >= layout.count()) {
            return false;
        }
        char& seen = state[size_t(index)];
        if (seen != unseen) {
            return seen == walking;
        }
        seen = done;
        const auto object = layout.object(index);
        if (!object || !isContainer(object->kind)) {
            return false;
        }
        const auto references = layout.references(*object);
        if (!references) {
            return false;
        }
        seen = walking;
        path.push_back({*object, *references, 0, index});
        return false;
    };
    if (enter(layout.top())) {
        return true;
    }
    while (!path.empty()) {
        if (int(path.size()) > PropertyListCheck::maximumNesting) {
            return true;
        }
        Frame& frame = path.back();
        if (frame.next == frame.references) {
            state[size_t(frame.index)] = done;
            path.pop_back();
            continue;
        }
        if (enter(layout.reference(frame.object, frame.next++))) {
            return true; // a container inside itself
        }
    }
    return false;
}

// Counts open <array> and <dict> elements; text cannot hold a "<", so only
// comments and character data could make the count too high, never too low.
bool xmlNestedTooDeep(const QByteArray& data) {
    const char* p = data.constData();
    const char* const end = p + data.size();
    int depth = 0;
    while ((p = static_cast<const char*>(std::memchr(p, '<', size_t(end - p))))) {
        ++p;
        const bool closing = p < end && *p == '/';
        const char* name = closing ? p + 1 : p;
        size_t length = 0;
        for (const char* word : {"array", "dict"}) {
            const size_t n = std::strlen(word);
            if (size_t(end - name) > n && std::memcmp(name, word, n) == 0 &&
                (name[n] == '>' || name[n] == '/' || name[n] == ' ' || name[n] == '\t' ||
                 name[n] == '\r' || name[n] == '\n')) {
                length = n;
            }
        }
        if (length == 0) {
            continue;
        }
        if (closing) {
            --depth;
            continue;
        }
        const char* close = static_cast<const char*>(std::memchr(name, '>', size_t(end - name)));
        if (!close) {
            break;
        }
        if (close[-1] != '/' && ++depth > PropertyListCheck::maximumNesting) {
            return true;
        }
    }
    return false;
}

} // namespace

QString PropertyListCheck::problem(const QByteArray& data, bool binary) {
    if (!binary) {
        return xmlNestedTooDeep(data) ? QStringLiteral("nesting too deep") : QString();
    }
    const BinaryLayout layout(data);
    if (!layout.isValid()) {
        return {};
    }
    if (textHoldsNul(layout)) {
        return QStringLiteral("a text holds a NUL character");
    }
    if (nestedTooDeep(layout)) {
        return QStringLiteral("nesting too deep");
    }
    return {};
}

} // namespace platform
