#include "core/inspector/InspectorPaneViewController_ImageLayout.h"

#include "core/document/application/DocumentActions.h"
#include "core/document/job/DocumentKey.h"
#include "core/document/job/ImagePlacement.h"
#include "core/document/job/KestromText.h"
#include "core/document/job/PlacementLimits.h"
#include "core/document/job/PrintDocument.h"
#include "core/inspector/InspectorImageOverflowAlertViewController.h"
#include "core/inspector/InspectorNumberTextField.h"
#include "core/inspector/InspectorPaneLayout.h"
#include "core/inspector/InspectorPaneViewController_ImageRepeat.h"
#include "core/inspector/ThemeIcons.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrom {

namespace {

constexpr double offsetLimit = PlacementLimits::offset_mm;
constexpr double sizeMin = PlacementLimits::sideMin_mm;
constexpr double sizeMax = PlacementLimits::sideMax_mm;

} // namespace

InspectorPaneViewController_ImageLayout::InspectorPaneViewController_ImageLayout(QWidget* parent)
    : InspectorPaneViewController(parent) {
    auto* grid = InspectorPaneLayout::makeGrid(
        this, KestromText::text(QStringLiteral("Inspector_ImageLayout_Title")));
    const QString mm = KestromText::text(QStringLiteral("Inspector_Unit_mm"));

    int row = InspectorPaneLayout::nextRow(grid);
    InspectorPaneLayout::addCaption(
        grid, row, KestromText::text(QStringLiteral("Inspector_ImageLayout_Anchor")))
        ->setBuddy(m_offsetBase = new QComboBox(this));
    grid->addWidget(m_offsetBase, row, 1, 1, 2);

    m_x = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageLayout_XOffset")), mm, -offsetLimit,
        offsetLimit, 2);
    m_y = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageLayout_YOffset")), mm, -offsetLimit,
        offsetLimit, 2);
    m_width = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageLayout_Width")), mm, sizeMin,
        sizeMax, 2);
    m_height = InspectorPaneLayout::addNumberRow(
        grid, KestromText::text(QStringLiteral("Inspector_ImageLayout_Height")), mm, sizeMin,
        sizeMax, 2);

    m_actualSize = new QPushButton(this);
    grid->addWidget(m_actualSize, InspectorPaneLayout::nextRow(grid), 1, 1, 3, Qt::AlignLeft);

    m_overflown = new QPushButton(this);
    m_overflown->setFlat(true);
    m_overflown->setCursor(Qt::PointingHandCursor);
    QPalette red = m_overflown->palette();
    red.setColor(QPalette::ButtonText, QColor(0xc0, 0x1c, 0x28));
    m_overflown->setPalette(red);
    grid->addWidget(m_overflown, InspectorPaneLayout::nextRow(grid), 0, 1, 4, Qt::AlignLeft);

    row = InspectorPaneLayout::nextRow(grid);
    m_repeat = new QPushButton(this);
    InspectorPaneLayout::addCaption(
        grid, row, KestromText::text(QStringLiteral("Inspector_ImageLayout_Repeat")))
        ->setBuddy(m_repeat);
    auto* repeatRow = new QHBoxLayout;
    repeatRow->setSpacing(2);
    repeatRow->addWidget(m_repeat, 1);
    m_resetRepeat = new QToolButton(this);
    m_resetRepeat->setIcon(ThemeIcons::icon(ThemeIcons::Name::undo));
    if (m_resetRepeat->icon().isNull()) {
        m_resetRepeat->setText(QStringLiteral("↺"));
    }
    m_resetRepeat->setAutoRaise(true);
    m_resetRepeat->setToolTip(
        KestromText::text(QStringLiteral("Inspector_ImageLayout_ResetRepeat")));
    m_resetRepeat->setAccessibleName(m_resetRepeat->toolTip());
    repeatRow->addWidget(m_resetRepeat);
    grid->addLayout(repeatRow, row, 1, 1, 3);

    m_overflownAmountNumberFormatter.setMinimumIntegerDigits(1);
    m_overflownAmountNumberFormatter.setMaximumFractionDigits(1);

    connect(m_offsetBase, &QComboBox::activated, this,
            &InspectorPaneViewController_ImageLayout::changeImageOffsetBase);
    connect(m_x, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageLayout::changeXOffset);
    connect(m_y, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageLayout::changeYOffset);
    connect(m_width, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageLayout::changeImageWidth);
    connect(m_height, &InspectorNumberTextField::committed, this,
            &InspectorPaneViewController_ImageLayout::changeImageHeight);
    connect(m_actualSize, &QPushButton::clicked, this, [this] {
        if (document()) {
            DocumentActions::resizeImageToActualSize(*document());
        }
    });
    connect(m_overflown, &QPushButton::clicked, this,
            &InspectorPaneViewController_ImageLayout::showOverflowAlert);
    connect(m_repeat, &QPushButton::clicked, this,
            &InspectorPaneViewController_ImageLayout::showImageRepeatPane);
    connect(m_resetRepeat, &QToolButton::clicked, this,
            &InspectorPaneViewController_ImageLayout::resetImageCopy);
    makeControlFontsMonospacedDigit({m_x, m_y, m_width, m_height, m_repeat, m_overflown});
    documentDidChange();
}

std::optional<QString> InspectorPaneViewController_ImageLayout::overflownAmountDescription() const {
    if (!document()) {
        return std::nullopt;
    }
    const EdgeInsets amount = document()->imageOverflownAmount_mm();
    const std::pair<double, QString> sides[] = {
        {amount.left, QStringLiteral("⇤ ")},
        {amount.right, QStringLiteral("⇥ ")},
        {amount.top, QStringLiteral("⤒ ")},
        {amount.bottom, QStringLiteral("⤓ ")},
    };
    QStringList pieces;
    for (const auto& [value, marker] : sides) {
        if (value > 0) {
            pieces.append(
                marker + m_overflownAmountNumberFormatter.string(float(value)).value_or(QString()));
        }
    }
    if (pieces.isEmpty()) {
        return std::nullopt;
    }
    if (liesWhollyOutside()) {
        pieces.prepend(KestromText::text(QStringLiteral("Inspector_ImageLayout_WhollyOutside")));
    }
    return QStringLiteral("⚠️  ") + pieces.join(QStringLiteral("  ")) + QStringLiteral(" mm");
}

bool InspectorPaneViewController_ImageLayout::liesWhollyOutside() const {
    if (!document() || !document()->originalImage()) {
        return false;
    }
    const auto& canvas = document()->canvas();
    return ImagePlacement::liesWhollyOutside(
        document()->allImageArea_mm(),
        canvas ? std::optional<ambrel::Size_mm>(canvas->size_mm()) : std::nullopt);
}

QString InspectorPaneViewController_ImageLayout::overflowMessage() const {
    const auto& model = document() ? document()->deviceDescriptor() : nullptr;
    return model ? model->overflowAlertMessage(liesWhollyOutside()) : QString();
}

bool InspectorPaneViewController_ImageLayout::hasImageCopies() const {
    return document() &&
           (document()->imageRepeatXCount() >= 2 || document()->imageRepeatYCount() >= 2);
}

QString InspectorPaneViewController_ImageLayout::imageCopyDescription() const {
    if (!document()) {
        return QString();
    }
    if (!hasImageCopies()) {
        return KestromText::requiredText(
            QStringLiteral("Inspector_ImageLayout_imageRepeatDescription_none"));
    }
    return QStringLiteral("%1 × %2")
        .arg(document()->imageRepeatXCount())
        .arg(document()->imageRepeatYCount());
}

void InspectorPaneViewController_ImageLayout::changeImageOffsetBase() {
    const QVariant data = m_offsetBase->currentData();
    if (!document() || data.typeId() != QMetaType::QString) {
        return;
    }
    if (auto base = ambrel::OffsetBase::fromRawValue(data.toString())) {
        document()->changeImageOffsetBase(*base);
    }
}

void InspectorPaneViewController_ImageLayout::changeXOffset() {
    const double x = std::clamp(m_x->doubleValue(), -offsetLimit, offsetLimit);
    if (document()) {
        document()->setImageOffset_mm({x, document()->imageOffset_mm().y});
    }
    showOffset();
}

void InspectorPaneViewController_ImageLayout::changeYOffset() {
    const double y = std::clamp(m_y->doubleValue(), -offsetLimit, offsetLimit);
    if (document()) {
        document()->setImageOffset_mm({document()->imageOffset_mm().x, y});
    }
    showOffset();
}

void InspectorPaneViewController_ImageLayout::changeImageWidth() {
    const double w = std::clamp(m_width->doubleValue(), sizeMin, sizeMax);
    if (document()) {
        document()->setImageSizeWithWidthForDisplay_mm(w);
    }
    showSize();
}

void InspectorPaneViewController_ImageLayout::changeImageHeight() {
    const double h = std::clamp(m_height->doubleValue(), sizeMin, sizeMax);
    if (document()) {
        document()->setImageSizeWithHeightForDisplay_mm(h);
    }
    showSize();
}

void InspectorPaneViewController_ImageLayout::resetImageCopy() {
    if (document()) {
        document()->resetImageRepeatCount();
    }
}

QFrame* InspectorPaneViewController_ImageLayout::popUpBelow(QWidget* anchor, QWidget* content) {
    delete m_popUp.data();
    auto* frame = new QFrame(this, Qt::Popup);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    content->setParent(frame);
    layout->addWidget(content);
    frame->adjustSize();
    frame->move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    frame->show();
    m_popUp = frame;
    return frame;
}

InspectorImageOverflowAlertViewController*
InspectorPaneViewController_ImageLayout::showOverflowAlert() {
    auto* alert = new InspectorImageOverflowAlertViewController;
    alert->setDeviceDescriptor(document() ? document()->deviceDescriptor() : nullptr,
                               liesWhollyOutside());
    popUpBelow(m_overflown, alert);
    return alert;
}

InspectorPaneViewController_ImageRepeat*
InspectorPaneViewController_ImageLayout::showImageRepeatPane() {
    auto* pane = new InspectorPaneViewController_ImageRepeat;
    pane->setMinimumWidth(260);
    popUpBelow(m_repeat, pane);
    pane->setDocument(documentAdapter());
    pane->xCopiesCountTextField()->setFocus(Qt::PopupFocusReason);
    return pane;
}

void InspectorPaneViewController_ImageLayout::showAllowedOffsetBases() {
    if (!document() || !document()->deviceDescriptor()) {
        return;
    }
    const auto& allowed = document()->deviceDescriptor()->allowedOffsetBases();
    if (allowed.isEmpty()) {
        return;
    }
    m_offsetBase->clear();
    const QString current = document()->imageOffsetBase().rawValue();
    int selected = -1;
    for (const auto& base : allowed) {
        m_offsetBase->addItem(base.menuTitle(), base.rawValue());
        if (base.rawValue() == current) {
            selected = m_offsetBase->count() - 1;
        }
    }
    if (selected >= 0) {
        m_offsetBase->setCurrentIndex(selected);
    }
}

void InspectorPaneViewController_ImageLayout::showOffsetBase() {
    if (!document()) {
        return;
    }
    const int index = m_offsetBase->findData(document()->imageOffsetBase().rawValue());
    if (index >= 0) {
        m_offsetBase->setCurrentIndex(index);
    }
}

void InspectorPaneViewController_ImageLayout::showOffset() {
    const ambrel::Point_mm offset = document() ? document()->imageOffset_mm() : ambrel::Point_mm{};
    m_x->setDoubleValue(float(offset.x));
    m_y->setDoubleValue(float(offset.y));
}

void InspectorPaneViewController_ImageLayout::showSize() {
    const ambrel::Size_mm size =
        document() ? document()->imageSizeForDisplay_mm() : ambrel::Size_mm{};
    m_width->setDoubleValue(float(size.width));
    m_height->setDoubleValue(float(size.height));
}

void InspectorPaneViewController_ImageLayout::showActualSizeTitle() {
    const auto& image = document() ? document()->originalImage() : nullptr;
    const bool bitmap = image && !image->isVector();
    m_actualSize->setText(
        KestromText::requiredText(bitmap ? QStringLiteral("Inspector_ImageLayout_DotByDot")
                                         : QStringLiteral("Inspector_ImageLayout_ActualSize")));
    m_actualSize->setEnabled(image != nullptr);
}

void InspectorPaneViewController_ImageLayout::showOverflow() {
    const auto description = overflownAmountDescription();
    m_overflown->setText(description.value_or(QString()));
    m_overflown->setToolTip(description ? overflowMessage() : QString());
    m_overflown->setVisible(description.has_value());
}

void InspectorPaneViewController_ImageLayout::showRepeats() {
    m_repeat->setText(imageCopyDescription());
    m_resetRepeat->setEnabled(hasImageCopies());
    m_repeat->setEnabled(document() != nullptr);
}

void InspectorPaneViewController_ImageLayout::documentDidChange() {
    showAllowedOffsetBases();
    showOffset();
    showSize();
    showOffsetBase();
    showActualSizeTitle();
    showOverflow();
    showRepeats();
}

void InspectorPaneViewController_ImageLayout::observeDocument(PrintDocument&) {
    observe(DocumentKey::deviceDescriptor, [this] { showAllowedOffsetBases(); });
    observe(DocumentKey::imageOffset_mm, [this] { showOffset(); });
    observe(DocumentKey::imageSizeForDisplay_mm, [this] { showSize(); });
    observe(DocumentKey::imageOffsetBase, [this] { showOffsetBase(); });
    observe(DocumentKey::originalImage, [this] { showActualSizeTitle(); });
    observe(DocumentKey::imageOverflownAmount_mm, [this] { showOverflow(); });
    observe(DocumentKey::imageRepeatXCount, [this] { showRepeats(); });
    observe(DocumentKey::imageRepeatYCount, [this] { showRepeats(); });
}

} // namespace kestrom
