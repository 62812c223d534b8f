#pragma once

#include <QFrame>

#include <functional>

namespace kestrom {

// A popup under a button that closes when the user clicks elsewhere, unless
// its owner says it may not close yet.
class MaintenancePopover : public QFrame {
    Q_OBJECT
public:
    explicit MaintenancePopover(QWidget* parent = nullptr);

    QWidget* contentViewController() const { return m_content; }
    void setContentViewController(QWidget* content);
    void setShouldClose(std::function<bool()> shouldClose) {
        m_shouldClose = std::move(shouldClose);
    }

    // Opens below the anchor, centred on it and kept on its screen.
    void show(QWidget* anchor);
    bool isShown() const { return isVisible(); }

Q_SIGNALS:
    void willShow();
    void didClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* m_content = nullptr;
    std::function<bool()> m_shouldClose;
};

} // namespace kestrom
