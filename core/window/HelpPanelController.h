#pragma once

#include <QPointer>

#include <QTextBrowser>

namespace kestrom {

// The help window: one for the process, made on first use. It shows the
// framework's help page or its acknowledgements.
class HelpPanelController {
public:
    static HelpPanelController& shared();

    void showHelp();
    void showAcknowledgments();
    QTextBrowser* browser() const { return m_browser; }

private:
    void show(const QString& page);

    QPointer<QTextBrowser> m_browser;
};

} // namespace kestrom
