#pragma once

#include <QList>
#include <QWidget>

class QButtonGroup;
class QPushButton;

namespace kestrom {

// A row of joined buttons of which exactly one is chosen.
class InspectorSegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit InspectorSegmentedControl(const QStringList& labels, QWidget* parent = nullptr);

    int segmentCount() const { return int(m_segments.size()); }
    QPushButton* segment(int index) const { return m_segments.value(index); }
    // -1 when none is chosen.
    int selectedSegment() const;
    // Chooses without sending segmentActivated().
    void setSelectedSegment(int index);

Q_SIGNALS:
    // The user chose a segment.
    void segmentActivated(int index);

private:
    QButtonGroup* m_group;
    QList<QPushButton*> m_segments;
};

} // namespace kestrom
