#pragma once

#include "core/document/application/DocumentWindowPresenter.h"
#include "platform/Error.h"

#include <QMimeData>

#include <memory>
#include <vector>

namespace documenttest {

// A document window for tests: it records errors and open panels, and its
// sheet, clipboard and maintenance state are set by the test.
class WindowPresenterStub : public kestrom::DocumentWindowPresenter {
public:
    bool hasWindowForSheets() const override { return hasWindow; }
    bool isShowingSheet() const override { return showsSheet; }
    void presentError(const platform::Error& error) override { errors.push_back(error.clone()); }
    void beginOpenPanel(const OpenPanel& panel,
                        std::function<void(std::optional<QUrl>)> completion) override {
        panels.push_back(panel);
        panelCompletion = std::move(completion);
    }
    const QMimeData* generalPasteboard() const override { return clipboard.get(); }
    bool isPresentingBusyMaintenance() const override { return busyMaintenance; }

    bool hasWindow = true;
    bool showsSheet = false;
    bool busyMaintenance = false;
    std::unique_ptr<QMimeData> clipboard;
    std::vector<std::shared_ptr<const platform::Error>> errors;
    std::vector<OpenPanel> panels;
    std::function<void(std::optional<QUrl>)> panelCompletion;
};

} // namespace documenttest
