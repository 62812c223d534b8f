#pragma once

#include "core/document/application/DocumentWindowPresenter.h"

namespace kestrom::test {

// A window that shows no sheets and opens no panels; it counts what it was
// asked to show.
class QuietWindow : public DocumentWindowPresenter {
public:
    bool hasWindowForSheets() const override { return true; }
    bool isShowingSheet() const override { return false; }
    void presentError(const platform::Error&) override { ++errors; }
    void beginOpenPanel(const OpenPanel&, std::function<void(std::optional<QUrl>)>) override {
        ++panels;
    }
    const QMimeData* generalPasteboard() const override { return nullptr; }
    int errors = 0;
    int panels = 0;
};

} // namespace kestrom::test
