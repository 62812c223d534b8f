#pragma once

#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/OptionValue.h"
#include "platform/Observable.h"

#include <QStringList>
#include <QVariantMap>

#include <cmath>
#include <span>

namespace kestrom {

// The options of one conversion as an observable object, read and written by
// its rows: a value that is not a finite number is ignored, others are
// brought into range as the row says and announced.
template <typename Values> class ConversionOptionGroup : public platform::Observable {
public:
    using Row = ConversionOptionRow<Values>;

    // Stored as given, without bringing into range.
    ConversionOptionGroup(std::span<const Row> rows, const Values& rawValue)
        : m_rows(rows), m_rawValue(rawValue) {}

    const Values& rawValue() const { return m_rawValue; }
    void setRawValue(const Values& rawValue) {
        for (const Row& row : m_rows) {
            willChangeValueForKey(QLatin1String(row.key));
        }
        m_rawValue = rawValue;
        for (auto row = m_rows.rbegin(); row != m_rows.rend(); ++row) {
            didChangeValueForKey(QLatin1String(row->key));
        }
    }

    // The options a saved package keeps.
    QVariantMap dictionaryForSave() const {
        QVariantMap dictionary;
        for (const Row& row : m_rows) {
            if (row.saved) {
                dictionary.insert(QLatin1String(row.key), row.read(m_rawValue));
            }
        }
        return dictionary;
    }
    // Reads the options it saves, brought into range; a missing key or a
    // value of another kind leaves the option as it is. Writes directly,
    // without announcing.
    void loadDictionaryForSave(const QVariantMap& dictionary) {
        for (const Row& row : m_rows) {
            if (!row.saved) {
                continue;
            }
            const QVariant value = dictionary.value(QLatin1String(row.key));
            std::optional<double> number;
            if (!row.whole) {
                number = OptionValue::finiteNumber(value);
            } else if (const auto level = OptionValue::wholeNumber(value)) {
                number = double(*level);
            }
            if (number) {
                row.write(m_rawValue, row.fitted(*number));
            }
        }
    }

    // The keys of the rows, in order.
    static QStringList allKeys(std::span<const Row> rows) {
        QStringList keys;
        for (const Row& row : rows) {
            keys << QLatin1String(row.key);
        }
        return keys;
    }
    static const Row* row(std::span<const Row> rows, const QString& key) {
        for (const Row& row : rows) {
            if (key == QLatin1String(row.key)) {
                return &row;
            }
        }
        return nullptr;
    }

    QVariant valueForKey(const QString& key) const override {
        if (const Row* r = row(m_rows, key)) {
            return r->read(m_rawValue);
        }
        return Observable::valueForKey(key);
    }
    void setValueForKey(const QString& key, const QVariant& value) override {
        const Row* r = row(m_rows, key);
        if (!r) {
            Observable::setValueForKey(key, value);
            return;
        }
        if (const auto number = OptionValue::finiteNumber(value)) {
            store(*r, *number);
        }
    }

private:
    void store(const Row& row, double value) {
        if (!std::isfinite(value)) {
            return;
        }
        notifyChangingValue(QLatin1String(row.key),
                            [&] { row.write(m_rawValue, row.fitted(value)); });
    }

    std::span<const Row> m_rows;
    Values m_rawValue;
};

} // namespace kestrom
