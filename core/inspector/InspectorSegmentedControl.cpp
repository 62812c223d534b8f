#include "core/inspector/InspectorSegmentedControl.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>

namespace kestrom {

InspectorSegmentedControl::InspectorSegmentedControl(const QStringList& labels, QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_group->setExclusive(true);
    for (const QString& label : labels) {
        auto* button = new QPushButton(label, this);
        button->setCheckable(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_group->addButton(button, int(m_segments.size()));
        m_segments.append(button);
        layout->addWidget(button);
    }
    connect(m_group, &QButtonGroup::idClicked, this, &InspectorSegmentedControl::segmentActivated);
}

int InspectorSegmentedControl::selectedSegment() const {
    return m_group->checkedId();
}

void InspectorSegmentedControl::setSelectedSegment(int index) {
    if (QPushButton* button = segment(index)) {
        button->setChecked(true);
    }
}

} // namespace kestrom
