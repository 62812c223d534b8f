#include "core/window/WindowRunPresenter.h"

#include "core/document/job/KestromText.h"
#include "core/window/CompletionAlert.h"
#include "core/window/ErrorSheet.h"
#include "core/window/ProgressViewController.h"
#include "core/window/SheetParent.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace kestrom {

WindowRunPresenter::WindowRunPresenter(QWidget* window) : m_window(window) {}

WindowRunPresenter::~WindowRunPresenter() {
    if (m_sheet) {
        m_sheet->dismiss();
        m_sheet->deleteLater();
    }
}

void WindowRunPresenter::showProgressSheet(const QString& title,
                                           const std::shared_ptr<platform::Progress>& progress) {
    dismissProgressSheet();
    m_sheet = new ProgressViewController(m_window);
    m_sheet->setTitle(title);
    m_sheet->setProgress(progress);
    m_sheet->open();
}

void WindowRunPresenter::dismissProgressSheet() {
    if (m_sheet) {
        m_sheet->dismiss();
        m_sheet->deleteLater();
        m_sheet = nullptr;
    }
}

bool WindowRunPresenter::hasWindow() const {
    return m_window != nullptr;
}

bool WindowRunPresenter::isShowingSheet() const {
    if (!m_window) {
        return false;
    }
    for (QDialog* dialog : m_window->findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->isVisible()) {
            return true;
        }
    }
    return false;
}

void WindowRunPresenter::beep() {
    QApplication::beep();
}

void WindowRunPresenter::presentError(const platform::Error& error) {
    ErrorSheet::present(m_window, error);
}

void WindowRunPresenter::askScriptingAcceptance(
    std::function<void(bool accepted, bool always)> answer) {
    // Over the run's progress sheet, which shows by now.
    auto* box = new QMessageBox(SheetParent::of(m_window));
    box->setObjectName(QStringLiteral("ScriptingAcceptanceAlert"));
    box->setIcon(QMessageBox::Warning);
    box->setText(KestromText::text("PrintDocument_Scripting_PrintAcceptAlert_Message"));
    box->setInformativeText(
        KestromText::text("PrintDocument_Scripting_PrintAcceptAlert_Description"));
    auto* always =
        new QCheckBox(KestromText::text("PrintDocument_Scripting_PrintAcceptAlert_AcceptAlways"));
    box->setCheckBox(always);
    QPushButton* accept =
        box->addButton(KestromText::text("PrintDocument_Scripting_PrintAcceptAlert_Accept"),
                       QMessageBox::AcceptRole);
    QPushButton* cancel =
        box->addButton(KestromText::text("PrintDocument_Scripting_PrintAcceptAlert_Cancel"),
                       QMessageBox::RejectRole);
    // Return must not accept on the user's behalf.
    accept->setAutoDefault(false);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, box, [box, accept, always, answer](int) {
        answer(box->clickedButton() == accept, always->isChecked());
    });
    box->open();
}

void WindowRunPresenter::showCompletionAlert(
    const ambrel::DeviceDescriptor::CompletionAlertInfo& info, std::function<void()> done) {
    auto* alert = new CompletionAlert(info, SheetParent::of(m_window));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(alert, &QDialog::finished, alert, [done](int) {
        if (done) {
            done();
        }
    });
    alert->open();
}

} // namespace kestrom
