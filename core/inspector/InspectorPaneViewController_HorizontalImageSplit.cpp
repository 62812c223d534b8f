#include "core/inspector/InspectorPaneViewController_HorizontalImageSplit.h"

#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneLayout.h"
#include "core/inspector/InspectorStepper.h"
#include "core/inspector/ThemeIcons.h"

#include <QGridLayout>
#include <QPushButton>
#include <QToolButton>

namespace kestrom {

namespace {

// Lengths the document keeps; it clamps them to its own range.
constexpr double lengthMax = 10000;

} // namespace

InspectorPaneViewController_HorizontalImageSplit::InspectorPaneViewController_HorizontalImageSplit(
    QWidget* parent)
    : InspectorPaneViewController(parent) {
    auto* grid = InspectorPaneLayout::makeGrid(
        this, KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_Title")));
    const QString mm = KestromText::text(QStringLiteral("Inspector_Unit_mm"));
    m_minimumField = InspectorPaneLayout::addNumberRow(
        grid,
        KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_MinimumSeparatedXMargin")),
        mm, 0, lengthMax, 1);
    m_minimumStepper = new InspectorStepper(m_minimumField, this);
    grid->addWidget(m_minimumStepper, grid->rowCount() - 1, 3);
    m_maximumField = InspectorPaneLayout::addNumberRow(
        grid,
        KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_MaximumBlackXLength")), mm,
        0, lengthMax, 1);
    m_maximumStepper = new InspectorStepper(m_maximumField, this);
    grid->addWidget(m_maximumStepper, grid->rowCount() - 1, 3);
    m_endField = InspectorPaneLayout::addNumberRow(
        grid,
        KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_AdditionalWhitespaceEnd")),
        mm, 0, lengthMax, 1);
    const int endRow = grid->rowCount() - 1;
    m_endStepper = new InspectorStepper(m_endField, this);
    grid->addWidget(m_endStepper, endRow, 3);
    m_endClear = new QToolButton(this);
    m_endClear->setIcon(ThemeIcons::icon(ThemeIcons::Name::clear));
    if (m_endClear->icon().isNull()) {
        m_endClear->setText(QStringLiteral("✕"));
    }
    m_endClear->setAutoRaise(true);
    m_endClear->setToolTip(
        KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_Clear")));
    m_endClear->setAccessibleName(m_endClear->toolTip());
    m_endClear->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(m_endClear, endRow, 4);

    m_revert = new QPushButton(
        KestromText::text(QStringLiteral("Inspector_HorizontalImageSplit_RevertToDefault")), this);
    grid->addWidget(m_revert, grid->rowCount(), 1, 1, 3, Qt::AlignLeft);

    connect(m_minimumField, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_HorizontalImageSplit::changeMinimumSeparatedXMargin);
    connect(m_maximumField, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_HorizontalImageSplit::changeMaximumBlackXLength);
    connect(
        m_endField, &InspectorNumberTextField::committed, this,
        &InspectorPaneViewController_HorizontalImageSplit::changeAdditionalWhitespaceLength_end);
    connect(m_endClear, &QToolButton::clicked, this,
            &InspectorPaneViewController_HorizontalImageSplit::clearAdditionalWhitespaceLength_end);
    connect(m_revert, &QPushButton::clicked, this,
            &InspectorPaneViewController_HorizontalImageSplit::revertToDefault);
    makeControlFontsMonospacedDigit({m_minimumField, m_maximumField});
    documentDidChange();
}

void InspectorPaneViewController_HorizontalImageSplit::changeMinimumSeparatedXMargin() {
    if (document()) {
        document()->setMinimumSeparatedXMargin_mm(m_minimumField->doubleValue());
    }
    showMinimum();
}

void InspectorPaneViewController_HorizontalImageSplit::changeMaximumBlackXLength() {
    if (document()) {
        document()->setMaximumBlackXLength_mm(m_maximumField->doubleValue());
    }
    showMaximum();
}

void InspectorPaneViewController_HorizontalImageSplit::changeAdditionalWhitespaceLength_end() {
    if (document()) {
        document()->setAdditionalWhitespaceLength_end_mm(m_endField->doubleValue());
    }
    showEnd();
}

void InspectorPaneViewController_HorizontalImageSplit::clearAdditionalWhitespaceLength_end() {
    if (document()) {
        document()->setAdditionalWhitespaceLength_end_mm(0);
    }
    showEnd();
    if (window()) {
        m_endField->setFocus(Qt::OtherFocusReason);
    }
}

void InspectorPaneViewController_HorizontalImageSplit::revertToDefault() {
    if (document()) {
        document()->resetHorizontalImageSplit();
    }
    // Played even when nothing changed: it tells the user the defaults are in.
    InspectorAnimations::bounce(m_minimumField, QStringLiteral("bounce"));
    InspectorAnimations::bounce(m_maximumField, QStringLiteral("bounce"));
}

void InspectorPaneViewController_HorizontalImageSplit::showMinimum() {
    m_minimumField->setDoubleValue(document() ? float(document()->minimumSeparatedXMargin_mm())
                                              : 0);
}

void InspectorPaneViewController_HorizontalImageSplit::showMaximum() {
    m_maximumField->setDoubleValue(document() ? float(document()->maximumBlackXLength_mm()) : 0);
}

void InspectorPaneViewController_HorizontalImageSplit::showEnd() {
    const double value = document() ? document()->additionalWhitespaceLength_end_mm() : 0;
    m_endField->setDoubleValue(value);
    m_endClear->setVisible(value != 0);
}

void InspectorPaneViewController_HorizontalImageSplit::documentDidChange() {
    showMinimum();
    showMaximum();
    showEnd();
}

void InspectorPaneViewController_HorizontalImageSplit::observeDocument(PrintDocument&) {
    observe(DocumentKey::minimumSeparatedXMargin_mm, [this] { showMinimum(); });
    observe(DocumentKey::maximumBlackXLength_mm, [this] { showMaximum(); });
    observe(DocumentKey::additionalWhitespaceLength_end_mm, [this] { showEnd(); });
}

} // namespace kestrom
