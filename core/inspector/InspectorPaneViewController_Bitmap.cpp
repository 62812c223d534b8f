#include "core/inspector/InspectorPaneViewController_Bitmap.h"

#include "core/document/job/ConversionOptionTable.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorPaneLayout.h"
#include "core/inspector/InspectorSegmentedControl.h"
#include "core/inspector/InspectorValueSlider.h"
#include "core/inspector/NumberFormatter.h"

#include "imaging/print/DeviceBlackConversionInfo.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace kestrom {

namespace {

using ambrel::BlackConversionType;

using namespace DocumentKey;

// The document's key paths of the options the pane shows.
using ambrel::BlackConversionHalftoneOption;
using ambrel::BlackConversionThresholdOption;
using ConversionOptionTable::optionPath;
const QString thresholdKey = optionPath(&BlackConversionThresholdOption::threshold);
const QString expansionKey = optionPath(&BlackConversionThresholdOption::expansionLevel);
const QString blackClampKey = optionPath(&BlackConversionHalftoneOption::blackClampFactor);
const QString whiteClampKey = optionPath(&BlackConversionHalftoneOption::whiteClampFactor);
const QString brightnessKey = optionPath(&BlackConversionHalftoneOption::brightnessFactor);

double option(const PrintDocument& document, const QString& key) {
    return document.valueForKeyPath(key).toDouble();
}

QString fractionText(double value, bool signedValue) {
    NumberFormatter formatter;
    formatter.setMinimumFractionDigits(2);
    formatter.setMaximumFractionDigits(2);
    const QString text = formatter.string(value).value_or(QString());
    return signedValue && value > 0.004 ? QStringLiteral("+") + text : text;
}

} // namespace

InspectorPaneViewController_Bitmap::InspectorPaneViewController_Bitmap(QWidget* parent)
    : InspectorPaneViewController(parent) {
    setObjectName(QStringLiteral("Bitmap"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* header = new QWidget(this);
    auto* headerGrid = InspectorPaneLayout::makeGrid(
        header, KestromText::text(QStringLiteral("Inspector_Bitmap_Title")));
    headerGrid->setContentsMargins(12, 10, 12, 0);
    InspectorPaneLayout::addCaption(headerGrid, 1,
                                    KestromText::text(QStringLiteral("Inspector_Bitmap_Kind")));
    m_kind = new InspectorSegmentedControl(
        {KestromText::text(QStringLiteral("Inspector_Bitmap_Kind_threshold")),
         KestromText::text(QStringLiteral("Inspector_Bitmap_Kind_halftone"))},
        header);
    headerGrid->addWidget(m_kind, 1, 1, 1, 2);
    outer->addWidget(header);

    auto* stack = new QWidget(this);
    m_stackView = new QVBoxLayout(stack);
    m_stackView->setContentsMargins(0, 6, 0, 0);
    m_stackView->setSpacing(0);
    outer->addWidget(stack);

    m_threshold = addSliderRow(QStringLiteral("Inspector_Bitmap_Threshold"), 0, 1, 0, false,
                               &m_thresholdLabel);
    m_expansion = addSliderRow(QStringLiteral("Inspector_Bitmap_Expansion"), -5, 5, 11, true,
                               &m_expansionLabel);
    m_halftoneBlack = addSliderRow(QStringLiteral("Inspector_Bitmap_HalftoneBlack"), 0, 0.4, 0,
                                   false, &m_halftoneBlackLabel);
    m_halftoneWhite = addSliderRow(QStringLiteral("Inspector_Bitmap_HalftoneWhite"), 0, 0.4, 0,
                                   false, &m_halftoneWhiteLabel);
    m_halftoneBrightness = addSliderRow(QStringLiteral("Inspector_Bitmap_HalftoneBrightness"), -0.6,
                                        0.6, 3, false, &m_halftoneBrightnessLabel);

    auto* checkRow = new QWidget(stack);
    auto* checkGrid = InspectorPaneLayout::makeGrid(checkRow, QString());
    checkGrid->setContentsMargins(12, 4, 12, 4);
    m_binarization =
        new QCheckBox(KestromText::text(QStringLiteral("Inspector_Bitmap_Binarizes")), checkRow);
    checkGrid->addWidget(m_binarization, 0, 1, 1, 2);
    m_stackView->addWidget(checkRow);

    auto* footer = new QWidget(this);
    auto* footerGrid = InspectorPaneLayout::makeGrid(footer, QString());
    footerGrid->setContentsMargins(12, 6, 12, 12);
    m_revert = new QPushButton(
        KestromText::text(QStringLiteral("Inspector_Bitmap_RevertToDefault")), footer);
    footerGrid->addWidget(m_revert, 0, 1, 1, 2, Qt::AlignLeft);
    outer->addWidget(footer);

    // Without it the threshold cannot be shown: a broken installation.
    (void)KestromText::requiredText(QStringLiteral("Inspector_Bitmap_thresholdFormat"), {50.0});
    makeControlFontsMonospacedDigit(
        {m_thresholdLabel, m_halftoneBlackLabel, m_halftoneWhiteLabel, m_halftoneBrightnessLabel});

    connect(m_kind, &InspectorSegmentedControl::segmentActivated, this,
            &InspectorPaneViewController_Bitmap::changeBlackConversionType);
    connect(m_binarization, &QCheckBox::clicked, this,
            &InspectorPaneViewController_Bitmap::changeBinarizes);
    connect(m_revert, &QPushButton::clicked, this,
            &InspectorPaneViewController_Bitmap::revertToDefault);
    const auto write = [this](const QString& key, bool whole) {
        return [this, key, whole](double value) {
            if (document()) {
                document()->setValueForKeyPath(key, whole ? std::round(value) : value);
            }
            showOptions();
        };
    };
    connectSlider(m_threshold, write(thresholdKey, false));
    connectSlider(m_expansion, write(expansionKey, true));
    connectSlider(m_halftoneBlack, write(blackClampKey, false));
    connectSlider(m_halftoneWhite, write(whiteClampKey, false));
    connectSlider(m_halftoneBrightness, write(brightnessKey, false));
    documentDidChange();
}

InspectorValueSlider*
InspectorPaneViewController_Bitmap::addSliderRow(const QString& captionKey, double minimum,
                                                 double maximum, int tickMarks, bool wholeNumbers,
                                                 QLabel** valueLabel) {
    auto* row = new QWidget(m_stackView->parentWidget());
    auto* grid = InspectorPaneLayout::makeGrid(row, QString());
    grid->setContentsMargins(12, 4, 12, 4);
    QLabel* caption = InspectorPaneLayout::addCaption(grid, 0, KestromText::text(captionKey));
    auto* slider = new InspectorValueSlider(row);
    slider->setDoubleRange(minimum, maximum, tickMarks, wholeNumbers);
    caption->setBuddy(slider);
    // Named on its own: screen readers do not all look for the caption.
    slider->setAccessibleName(caption->text());
    auto* label = new QLabel(row);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFixedWidth(QFontMetrics(label->font()).horizontalAdvance(QStringLiteral("+0.00 ")));
    grid->addWidget(slider, 0, 1);
    grid->addWidget(label, 0, 2);
    m_stackView->addWidget(row);
    *valueLabel = label;
    return slider;
}

QList<QWidget*> InspectorPaneViewController_Bitmap::rows() const {
    QList<QWidget*> all;
    for (int i = 0; i < m_stackView->count(); ++i) {
        if (QWidget* row = m_stackView->itemAt(i)->widget()) {
            all.append(row);
        }
    }
    return all;
}

QWidget* InspectorPaneViewController_Bitmap::rowOf(const QWidget* control) const {
    const QList<QWidget*> all = rows();
    for (QWidget* up = control ? control->parentWidget() : nullptr; up; up = up->parentWidget()) {
        if (all.contains(up)) {
            return up;
        }
    }
    return nullptr;
}

void InspectorPaneViewController_Bitmap::changeBlackConversionType(int segment) {
    const auto types = BlackConversionType::allCases();
    if (document() && segment >= 0 && segment < types.size()) {
        document()->changeBlackConversionType(types[segment]);
    }
    typeChanged();
    revealPane();
}

void InspectorPaneViewController_Bitmap::changeBinarizes(bool binarizes) {
    if (document()) {
        document()->changeBlackConversionType(binarizes ? BlackConversionType::threshold
                                                        : BlackConversionType::halftone);
    }
    typeChanged();
    revealPane();
}

void InspectorPaneViewController_Bitmap::revertToDefault() {
    if (!document()) {
        return;
    }
    struct Watched {
        InspectorValueSlider* slider;
        QString key;
        bool whole;
    };
    const QList<Watched> watched{{m_threshold, thresholdKey, false},
                                 {m_expansion, expansionKey, true},
                                 {m_halftoneBlack, blackClampKey, false},
                                 {m_halftoneWhite, whiteClampKey, false},
                                 {m_halftoneBrightness, brightnessKey, false}};
    QList<double> before;
    for (const auto& w : watched) {
        before.append(option(*document(), w.key));
    }
    document()->resetBlackConversionProperties({document()->blackConversionType()});
    for (qsizetype i = 0; i < watched.size(); ++i) {
        const double after = option(*document(), watched[i].key);
        const bool changed =
            watched[i].whole ? std::lround(after) != std::lround(before[i]) : after != before[i];
        if (changed && watched[i].slider->isVisibleTo(this)) {
            InspectorAnimations::bounce(watched[i].slider, QStringLiteral("bounce"));
        }
    }
}

void InspectorPaneViewController_Bitmap::documentDidChange() {
    typeChanged();
    showOptions();
}

void InspectorPaneViewController_Bitmap::observeDocument(PrintDocument&) {
    observe(DocumentKey::blackConversionType, [this] { typeChanged(); });
    observe(DocumentKey::deviceDescriptor, [this] { layoutRows(); });
    for (const QString& key :
         {thresholdKey, expansionKey, blackClampKey, whiteClampKey, brightnessKey}) {
        observe(key, [this] { showOptions(); });
    }
}

void InspectorPaneViewController_Bitmap::typeChanged() {
    if (document()) {
        const auto type = document()->blackConversionType();
        m_kind->setSelectedSegment(int(BlackConversionType::allCases().indexOf(type)));
        m_binarization->setChecked(type == BlackConversionType::threshold);
    }
    layoutRows();
}

void InspectorPaneViewController_Bitmap::layoutRows() {
    // Unknown without a model: the expansion row then shows.
    std::optional<bool> expansionAvailable;
    const auto device = document() ? document()->deviceDescriptor() : nullptr;
    if (device) {
        const auto info =
            device->additionalInfos().valueOrDefault<quenta::DeviceBlackConversionInfo>();
        if (info.threshold) {
            expansionAvailable = info.threshold->isExpansionAvailable;
        }
    }
    const bool threshold =
        !document() || document()->blackConversionType() == BlackConversionType::threshold;
    QList<QWidget*> controls;
    if (threshold) {
        controls = {m_threshold, m_expansion};
    } else {
        controls = {m_halftoneBlack, m_halftoneWhite, m_halftoneBrightness};
    }
    QList<QWidget*> shown;
    for (QWidget* control : controls) {
        if (QWidget* row = rowOf(control)) {
            shown.append(row);
        }
    }
    shown.append(rowOf(m_binarization));
    if (expansionAvailable == false) {
        shown.removeAll(rowOf(m_expansion));
    }
    for (QWidget* row : rows()) {
        row->setVisible(shown.contains(row));
    }
}

void InspectorPaneViewController_Bitmap::showOptions() {
    const auto shown = [this](const QString& key, double fallback) {
        return document() ? option(*document(), key) : fallback;
    };
    const double threshold = shown(thresholdKey, 0.5);
    const double expansion = shown(expansionKey, 0);
    const double black = shown(blackClampKey, 0);
    const double white = shown(whiteClampKey, 0);
    const double brightness = shown(brightnessKey, 0);
    m_threshold->setDoubleValue(threshold);
    m_expansion->setDoubleValue(expansion);
    m_halftoneBlack->setDoubleValue(black);
    m_halftoneWhite->setDoubleValue(white);
    m_halftoneBrightness->setDoubleValue(brightness);
    m_thresholdLabel->setText(KestromText::requiredText(
        QStringLiteral("Inspector_Bitmap_thresholdFormat"), {std::round(threshold * 100)}));
    const long level = std::lround(expansion);
    m_expansionLabel->setText(level > 0 ? QStringLiteral("+%1").arg(level)
                                        : QString::number(level));
    m_halftoneBlackLabel->setText(fractionText(black, false));
    m_halftoneWhiteLabel->setText(fractionText(white, false));
    m_halftoneBrightnessLabel->setText(fractionText(brightness, true));
}

void InspectorPaneViewController_Bitmap::revealPane() {
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(up)) {
            scroll->ensureWidgetVisible(this, 0, 0);
            return;
        }
    }
}

} // namespace kestrom
