#pragma once

#include "core/document/runs/RunPresenter.h"
#include "core/window/ProgressViewController.h"

#include <QPointer>
#include <QWidget>

namespace kestrom {

// Device runs over a document window: the progress sheet, alerts and errors
// as window-modal dialogs opened without nested event loops.
class WindowRunPresenter : public RunPresenter {
public:
    explicit WindowRunPresenter(QWidget* window);
    ~WindowRunPresenter() override;

    void showProgressSheet(const QString& title,
                           const std::shared_ptr<platform::Progress>& progress) override;
    void dismissProgressSheet() override;
    bool hasWindow() const override;
    void beep() override;
    void presentError(const platform::Error& error) override;
    void askScriptingAcceptance(std::function<void(bool accepted, bool always)> answer) override;
    void showCompletionAlert(const ambrel::DeviceDescriptor::CompletionAlertInfo& info,
                             std::function<void()> done) override;

    ProgressViewController* progressSheet() const { return m_sheet; }
    // Whether a sheet (progress, alert or error) is shown over the window.
    bool isShowingSheet() const;

private:
    QPointer<QWidget> m_window;
    QPointer<ProgressViewController> m_sheet;
};

} // namespace kestrom
