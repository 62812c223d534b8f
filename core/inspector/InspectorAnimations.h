#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace kestrom {

// The little animations of the inspector: the shake of a field that refused
// its text, the bounce of reverted fields, page transitions and shadow fades.
// In test mode every animation ends at once and is recorded, so tests can
// see that it was asked for without waiting for it.
class InspectorAnimations {
public:
    enum class TransitionType { push, fade };
    enum class TransitionSubtype { none, fromRight, fromLeft };

    struct Record {
        QPointer<QObject> target;
        QString key;
    };

    static void setTestMode(bool testMode);
    static bool testMode();
    static const QList<Record>& records();
    static void clearRecords();
    static bool wasRecorded(const QObject* target, const QString& key);

    // A horizontal spring from 20 px to the left back into place.
    static void shake(QWidget* widget, const QString& key);
    // A short vertical spring that says "this was put back".
    static void bounce(QWidget* widget, const QString& key);
    // Slides or fades the view's current picture away over what comes next;
    // call it before changing the view. Kept under the key "transition".
    static void addTransition(QWidget* view, TransitionType type, TransitionSubtype subtype);
    static void removeTransition(QWidget* view);
    // Animates a widget's "opacity" property (a qreal) over 0.2 s.
    static void fadeOpacity(QObject* target, qreal to);

private:
    static void record(QObject* target, const QString& key);
};

} // namespace kestrom
