#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

namespace platform {
class Progress;
}

namespace kestrom {

// The sheet over a document window while a device run goes on. It shows the
// run's progress and forwards a cancel to it; only the run closes the sheet.
class ProgressViewController : public QDialog {
    Q_OBJECT
public:
    explicit ProgressViewController(QWidget* parent = nullptr);
    ~ProgressViewController() override;

    const std::shared_ptr<platform::Progress>& progress() const { return m_progress; }
    void setProgress(std::shared_ptr<platform::Progress> progress);
    void setTitle(const QString& title);

    // Escape and the Cancel button: cancel the progress, keep the sheet.
    // Once the run can no longer be stopped both do nothing: the button is
    // disabled and the sheet says why.
    void cancelOperation();
    QPushButton* cancelButton() const { return m_cancelButton; }
    // The sheet's words under the bar.
    QString descriptionText() const;
    void reject() override;

    // Closes the sheet for good; the run calls it when it has ended.
    void dismiss();

private:
    void refresh();

    std::shared_ptr<platform::Progress> m_progress;
    int m_observerToken = 0;
    QLabel* m_titleLabel;
    QLabel* m_descriptionLabel;
    QProgressBar* m_bar;
    QLabel* m_noStopLabel;
    QPushButton* m_cancelButton;
};

} // namespace kestrom
