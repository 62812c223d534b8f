#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PlacementLimits.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneLayout.h"

#include <QGridLayout>

#include <algorithm>

namespace kestrom {

namespace {

constexpr int countMax = 50; // the document's largest repeat count
constexpr double marginMax = PlacementLimits::repeatMarginMax_mm;

} // namespace

InspectorPaneViewController_ImageRepeat::InspectorPaneViewController_ImageRepeat(QWidget* parent)
    : InspectorPaneViewController(parent) {
    auto* grid = InspectorPaneLayout::makeGrid(
        this, KestromText::text(QStringLiteral("Inspector_ImageRepeat_Title")));
    const QString mm = KestromText::text(QStringLiteral("Inspector_Unit_mm"));
    const QString copies = KestromText::text(QStringLiteral("Inspector_Unit_copies"));
    m_xCount = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageRepeat_XCount")), copies, 1,
        countMax, 0);
    m_xMargin = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageRepeat_XMargin")), mm, 0, marginMax,
        2);
    m_yCount = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageRepeat_YCount")), copies, 1,
        countMax, 0);
    m_yMargin = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageRepeat_YMargin")), mm, 0, marginMax,
        2);
    connect(m_xCount, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageRepeat::changeXCount);
    connect(m_yCount, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageRepeat::changeYCount);
    connect(m_xMargin, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageRepeat::changeXMargin);
    connect(m_yMargin, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageRepeat::changeYMargin);
    makeControlFontsMonospacedDigit({m_xCount, m_xMargin, m_yCount, m_yMargin});
    documentDidChange();
}

bool InspectorPaneViewController_ImageRepeat::hasXCopies() const {
    return document() && document()->imageRepeatXCount() > 1;
}

bool InspectorPaneViewController_ImageRepeat::hasYCopies() const {
    return document() && document()->imageRepeatYCount() > 1;
}

void InspectorPaneViewController_ImageRepeat::changeXCount() {
    const int n = std::clamp(m_xCount->intValue(), 1, countMax);
    if (document()) {
        document()->setImageRepeatXCount(n);
    }
    showXCount();
}

void InspectorPaneViewController_ImageRepeat::changeYCount() {
    const int n = std::clamp(m_yCount->intValue(), 1, countMax);
    if (document()) {
        document()->setImageRepeatYCount(n);
    }
    showYCount();
}

void InspectorPaneViewController_ImageRepeat::changeXMargin() {
    const double m = std::max(0.0, std::min(m_xMargin->doubleValue(), marginMax));
    if (document()) {
        document()->setImageRepeatXMargin_mm(m);
    }
    showXMargin();
}

void InspectorPaneViewController_ImageRepeat::changeYMargin() {
    const double m = std::max(0.0, std::min(m_yMargin->doubleValue(), marginMax));
    if (document()) {
        document()->setImageRepeatYMargin_mm(m);
    }
    showYMargin();
}

void InspectorPaneViewController_ImageRepeat::showXCount() {
    m_xCount->setDoubleValue(document() ? document()->imageRepeatXCount() : 1);
}

void InspectorPaneViewController_ImageRepeat::showYCount() {
    m_yCount->setDoubleValue(document() ? document()->imageRepeatYCount() : 1);
}

void InspectorPaneViewController_ImageRepeat::showXMargin() {
    m_xMargin->setDoubleValue(document() ? document()->imageRepeatXMargin_mm() : 0);
}

void InspectorPaneViewController_ImageRepeat::showYMargin() {
    m_yMargin->setDoubleValue(document() ? document()->imageRepeatYMargin_mm() : 0);
}

void InspectorPaneViewController_ImageRepeat::documentDidChange() {
    showXCount();
    showXMargin();
    showYCount();
    showYMargin();
}

void InspectorPaneViewController_ImageRepeat::observeDocument(PrintDocument&) {
    observe(DocumentKey::imageRepeatXCount, [this] { showXCount(); });
    observe(DocumentKey::imageRepeatYCount, [this] { showYCount(); });
    observe(DocumentKey::imageRepeatXMargin_mm, [this] { showXMargin(); });
    observe(DocumentKey::imageRepeatYMargin_mm, [this] { showYMargin(); });
}

} // namespace kestrom
