#pragma once

#include "platform/Observable.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>

namespace platform {

// Values the application keeps between runs: one binary property list per
// application, "$XDG_CONFIG_HOME/<bundle identifier>.plist" (~/.config when
// the variable is unset). Every change is written at once, beside the file
// and then renamed over it, after re-reading the file so that changes of
// another instance are kept. A damaged file (or a device or named pipe in
// its place) is moved aside (one line on standard error) and the
// application goes on with defaults; a file that cannot be read at all (a
// folder in its place) is left alone and never written over.
//
// Each key is observable under its own name. Values must be property-list
// values; setObject() refuses anything else with platform::Error before
// anything is written.
//
// Reads may come from any thread (a worker may look up a remembered value);
// changes and observation belong to the main thread, where observers live.
class UserDefaults : public Observable {
public:
    static UserDefaults& standard();
    // Makes standard() use this file from now on (for tests).
    static void setStandardFilePath(const QString& filePath);
    static QString standardFilePath();

    explicit UserDefaults(const QString& filePath);
    ~UserDefaults() override;

    const QString& filePath() const { return m_filePath; }
    // A settings file larger than this counts as damaged.
    static constexpr qint64 maximumFileSize = qint64(16) << 20;

    bool contains(const QString& key) const;
    // Empty when the key holds nothing.
    QVariant object(const QString& key) const;
    QVariantMap dictionaryRepresentation() const;
    // An empty value removes the key.
    void setObject(const QString& key, const QVariant& value);
    void removeObject(const QString& key);
    // Stores the value only when the key holds nothing yet. The value is
    // written to the file like any other.
    void registerDefault(const QString& key, const QVariant& value);

    // Typed reads: a value of another kind reads as the empty value.
    QString string(const QString& key) const;
    bool boolValue(const QString& key) const;
    qint64 integer(const QString& key) const;
    double doubleValue(const QString& key) const;
    QVariantMap dictionary(const QString& key) const;
    QVariantList array(const QString& key) const;
    void setString(const QString& key, const QString& value) { setObject(key, value); }
    void setBool(const QString& key, bool value) { setObject(key, value); }
    void setInteger(const QString& key, qint64 value) { setObject(key, value); }
    void setDouble(const QString& key, double value) { setObject(key, value); }

    QVariant valueForKey(const QString& key) const override { return object(key); }
    void setValueForKey(const QString& key, const QVariant& value) override {
        setObject(key, value);
    }

private:
    enum class FileState { Missing, Readable, Unreadable };
    FileState readFile(QVariantMap* values) const;
    void change(const QString& key, const QVariant& value);
    // Numbers, Booleans and texts; empty for anything else.
    QVariant scalar(const QString& key) const;

    QString m_filePath;
    mutable std::recursive_mutex m_mutex;
    QVariantMap m_values;
    bool m_writable = true;
};

} // namespace platform
