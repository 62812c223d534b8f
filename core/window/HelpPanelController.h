#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <optional>

class QTextBrowser;
class QUrl;

namespace kestrom {

// The help window: one for the process, made on first use and kept. It
// shows the application's help page or the acknowledgements.
class HelpPanelController : public QWidget {
    Q_OBJECT
public:
    static HelpPanelController& shared();

    QTextBrowser* webView() const { return m_webView; }

    // Chooses among the application's help pages and shows it; without a
    // help page nothing happens.
    void showHelp();
    void showAcknowledgments();

    // The help page among the file names: names matching
    // "help(_<digits>)?.html" in any case, keyed by the digits ("1000"
    // without). With a system key, pages keyed above it are left out; the
    // greatest key left wins, the first listed of equal keys.
    static std::optional<QString> chooseHelpFile(const QStringList& fileNames,
                                                 const std::optional<QString>& systemKey);

    // Links to other sites open in the browser; our own pages open here.
    void openLink(const QUrl& url);

private:
    HelpPanelController();
    void load(const QString& path);
    void showWindow();

    QTextBrowser* m_webView;
};

} // namespace kestrom
