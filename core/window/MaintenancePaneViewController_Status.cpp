#include "core/window/MaintenancePaneViewController_Status.h"

#include "core/document/job/KestromText.h"
#include "core/window/MachineStatusManager.h"
#include "platform/Progress.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestrom {

namespace {

using Element = ambrel::DeviceStatusElement;

bool isInkLevel(const Element& element) {
    return element.elementCase() == Element::Case::remainingColorInk ||
           element.elementCase() == Element::Case::remainingBlackInk;
}

// The "Ink" cell: a level bar out of ten and the level in percent.
QWidget* makeInkCell(double fraction) {
    auto* cell = new QWidget;
    cell->setObjectName(QStringLiteral("Ink"));
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* level = new QProgressBar(cell);
    level->setObjectName(QStringLiteral("InkLevel"));
    level->setRange(0, 1000);
    level->setValue(qRound(fraction * 10 * 100));
    level->setTextVisible(false);
    level->setMaximumHeight(10);
    level->setProperty("level", fraction * 10);
    auto* percent = new QLabel(QString::number(qRound(fraction * 100)) + QLatin1Char('%'), cell);
    percent->setObjectName(QStringLiteral("InkPercent"));
    layout->addWidget(level, 1);
    layout->addWidget(percent);
    return cell;
}

// The status symbols are line drawings: drawn in the text colour they stay
// visible on a dark background too.
QIcon tinted(const QIcon& icon, const QColor& color) {
    QIcon result;
    for (int side : {16, 32}) {
        QPixmap pixmap = icon.pixmap(side, side);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), color);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace

MaintenancePaneViewController_Status::MaintenancePaneViewController_Status(QWidget* parent)
    : MaintenancePaneViewController(parent), m_progressIndicator(new QProgressBar(this)),
      m_cancelButton(new QPushButton(KestromText::text("Maintenance_Cancel"), this)),
      m_reloadButton(new QPushButton(KestromText::text("Maintenance_Reload"), this)),
      m_copyButton(new QPushButton(KestromText::text("Maintenance_Copy"), this)),
      m_errorLabel(new QLabel(this)), m_tableView(new QTableWidget(0, 2, this)) {
    setObjectName(QStringLiteral("StatusPane"));
    auto* title = new QLabel(KestromText::text("Maintenance_StatusTitle"), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);

    m_progressIndicator->setRange(0, 0);
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setMaximumWidth(80);
    m_progressIndicator->setMaximumHeight(12);
    QPalette red = m_errorLabel->palette();
    red.setColor(QPalette::WindowText, QColor(0xd7, 0x26, 0x1e));
    m_errorLabel->setPalette(red);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_progressIndicator);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_reloadButton);
    buttons->addWidget(m_errorLabel, 1);
    buttons->addStretch();
    buttons->addWidget(m_copyButton);

    m_tableView->horizontalHeader()->hide();
    m_tableView->verticalHeader()->hide();
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setFocusPolicy(Qt::NoFocus);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->setWordWrap(true);
    m_tableView->setIconSize(QSize(16, 16));
    m_tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tableView->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_tableView->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_tableView->setMinimumWidth(380);
    m_tableView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(buttons);
    layout->addWidget(m_tableView, 1);

    connect(m_reloadButton, &QPushButton::clicked, this,
            &MaintenancePaneViewController_Status::reload);
    connect(m_cancelButton, &QPushButton::clicked, this,
            &MaintenancePaneViewController_Status::cancel);
    connect(m_copyButton, &QPushButton::clicked, this, &MaintenancePaneViewController_Status::copy);
    refresh();
}

void MaintenancePaneViewController_Status::setStatusManager(MachineStatusManager* manager) {
    disconnect(m_statusConnection);
    MaintenancePaneViewController::setStatusManager(manager);
    if (manager) {
        m_statusConnection = connect(manager, &MachineStatusManager::viewStatusChanged, this,
                                     &MaintenancePaneViewController_Status::viewStatusDidChange);
    }
    refresh();
    emit canCloseChanged();
}

bool MaintenancePaneViewController_Status::canClose() const {
    return !statusManager() || !statusManager()->isReloading();
}

void MaintenancePaneViewController_Status::showEvent(QShowEvent* event) {
    MaintenancePaneViewController::showEvent(event);
    reload();
}

void MaintenancePaneViewController_Status::reload() {
    if (statusManager()) {
        statusManager()->reload();
    }
}

void MaintenancePaneViewController_Status::cancel() {
    if (statusManager() && statusManager()->isReloading()) {
        statusManager()->reloadProgress()->cancel();
    }
}

void MaintenancePaneViewController_Status::copy() {
    if (!statusManager()) {
        return;
    }
    const auto& status = statusManager()->viewStatus();
    if (status.kind != MachineStatusManager::ViewStatus::Kind::hasValue ||
        status.elements.isEmpty()) {
        return;
    }
    QStringList lines;
    for (const Element& element : status.elements) {
        lines << element.localizedLabel() + Element::colonSeparator() + element.localizedValue();
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

void MaintenancePaneViewController_Status::viewStatusDidChange() {
    refresh();
    emit canCloseChanged();
}

void MaintenancePaneViewController_Status::refresh() {
    using Kind = MachineStatusManager::ViewStatus::Kind;
    MachineStatusManager* manager = statusManager();
    const Kind kind = manager ? manager->viewStatus().kind : Kind::empty;
    const bool reading = manager && kind == Kind::isReloading;
    const bool read = manager && kind == Kind::hasValue;
    m_progressIndicator->setVisible(reading);
    m_cancelButton->setVisible(reading);
    m_reloadButton->setVisible(manager && !reading);
    m_errorLabel->setVisible(manager && !reading);
    m_copyButton->setVisible(read);
    const auto& error = manager ? manager->viewStatus().error : nullptr;
    if (read && error) {
        m_errorLabel->setText(QStringLiteral("\u26A0\uFE0F ") + error->localizedDescription());
        m_errorLabel->setToolTip(error->localizedRecoverySuggestion().value_or(QString()));
    } else {
        m_errorLabel->clear();
        m_errorLabel->setToolTip(QString());
    }
    fillTable();
}

void MaintenancePaneViewController_Status::fillTable() {
    const QList<Element> elements =
        statusManager() ? statusManager()->statusElements() : QList<Element>();
    m_tableView->clearContents();
    m_tableView->setRowCount(int(elements.size()));
    for (int row = 0; row < elements.size(); ++row) {
        const Element& element = elements[row];
        auto* left = new QTableWidgetItem(element.localizedLabel());
        if (const auto icon = element.icon()) {
            left->setIcon(tinted(*icon, palette().color(QPalette::Text)));
        }
        left->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_tableView->setItem(row, 0, left);
        if (isInkLevel(element)) {
            m_tableView->setCellWidget(row, 1, makeInkCell(std::get<double>(element.payload())));
        } else {
            m_tableView->setItem(row, 1, new QTableWidgetItem(element.localizedValue()));
        }
    }
    // The table is as tall as its lines, within reason.
    m_tableView->resizeRowsToContents();
    int height = 2 * m_tableView->frameWidth();
    for (int row = 0; row < m_tableView->rowCount(); ++row) {
        height += m_tableView->rowHeight(row);
    }
    m_tableView->setFixedHeight(qBound(160, height + 4, 420));
}

} // namespace kestrom
