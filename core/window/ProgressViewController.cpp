#include "core/window/ProgressViewController.h"

#include "core/document/job/KestromText.h"
#include "platform/MainThread.h"
#include "platform/Progress.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrom {

ProgressViewController::ProgressViewController(QWidget* parent)
    : QDialog(parent), m_titleLabel(new QLabel(this)), m_descriptionLabel(new QLabel(this)),
      m_bar(new QProgressBar(this)), m_noStopLabel(new QLabel(this)) {
    setObjectName(QStringLiteral("ProgressSheet"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(360);
    QFont bold = m_titleLabel->font();
    bold.setBold(true);
    m_titleLabel->setFont(bold);
    m_descriptionLabel->setWordWrap(true);
    m_noStopLabel->setObjectName(QStringLiteral("CannotBeStopped"));
    m_noStopLabel->setWordWrap(true);
    m_noStopLabel->setText(KestromText::text("ProgressSheet_CannotBeStopped"));
    m_noStopLabel->hide();
    m_bar->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_cancelButton = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressViewController::cancelOperation);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLabel);
    layout->addWidget(m_bar);
    layout->addWidget(m_descriptionLabel);
    layout->addWidget(m_noStopLabel);
    layout->addWidget(buttons);
    refresh();
}

ProgressViewController::~ProgressViewController() {
    setProgress(nullptr);
}

void ProgressViewController::setTitle(const QString& title) {
    setWindowTitle(title);
    m_titleLabel->setText(title);
}

void ProgressViewController::setProgress(std::shared_ptr<platform::Progress> progress) {
    if (m_progress && m_observerToken) {
        m_progress->removeObserver(m_observerToken);
        m_observerToken = 0;
    }
    m_progress = std::move(progress);
    if (m_progress) {
        // Workers report from their own threads; the labels change on ours.
        QPointer<ProgressViewController> self(this);
        m_observerToken = m_progress->addObserver([self](const platform::Progress&, auto) {
            platform::MainThread::post([self] {
                if (self) {
                    self->refresh();
                }
            });
        });
    }
    refresh();
}

void ProgressViewController::refresh() {
    if (!m_progress || m_progress->isIndeterminate()) {
        m_bar->setRange(0, 0);
    } else {
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(m_progress->fractionCompleted() * 1000));
    }
    QString text = m_progress ? m_progress->localizedDescription() : QString();
    const QString more = m_progress ? m_progress->localizedAdditionalDescription() : QString();
    if (!more.isEmpty()) {
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + more;
    }
    m_descriptionLabel->setText(text);
    const bool cancellable = !m_progress || m_progress->isCancellable();
    m_cancelButton->setEnabled(cancellable);
    if (m_noStopLabel->isHidden() == !cancellable) {
        m_noStopLabel->setVisible(!cancellable);
        // The sheet grows to show the whole of the wrapped text.
        adjustSize();
    }
}

QString ProgressViewController::descriptionText() const {
    QString text = m_descriptionLabel->text();
    if (m_noStopLabel->isVisibleTo(this)) {
        text += QStringLiteral("\n") + m_noStopLabel->text();
    }
    return text;
}

void ProgressViewController::cancelOperation() {
    if (m_progress && m_progress->isCancellable()) {
        m_progress->cancel();
    }
}

void ProgressViewController::reject() {
    cancelOperation();
}

void ProgressViewController::dismiss() {
    setProgress(nullptr);
    QDialog::done(QDialog::Accepted);
}

} // namespace kestrom
