#pragma once

#include "core/inspector/InspectorShadowView.h"

#include <QList>
#include <QPointer>
#include <QScrollArea>

class QVBoxLayout;

namespace kestrom {

class InspectorPaneViewController;

// The panes of the current inspector page, top to bottom, in a scroll area
// with a soft shadow at each end that shows only while content is scrolled
// out of sight there.
class InspectorPanesStackViewController : public QScrollArea {
    Q_OBJECT
public:
    using ShadowView = InspectorShadowView;

    explicit InspectorPanesStackViewController(QWidget* parent = nullptr);

    QList<InspectorPaneViewController*> paneViewControllers() const;
    void setPaneViewControllers(const QList<InspectorPaneViewController*>& controllers);

    bool isTopOverflown() const { return m_isTopOverflown; }
    bool isBottomOverflown() const { return m_isBottomOverflown; }
    bool showsTopShadow() const { return m_showsTopShadow; }
    void setShowsTopShadow(bool shows);

    QWidget* stackView() const { return m_stackView; }
    ShadowView* topShadowView() const { return m_topShadow; }
    ShadowView* bottomShadowView() const { return m_bottomShadow; }

    void updateShadows();
    QSize sizeHint() const override;

Q_SIGNALS:
    void topOverflownChanged(bool overflown);
    void bottomOverflownChanged(bool overflown);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeShadows();

    QWidget* m_stackView;
    QVBoxLayout* m_stackLayout;
    ShadowView* m_topShadow;
    ShadowView* m_bottomShadow;
    QList<QPointer<InspectorPaneViewController>> m_panes;
    bool m_isTopOverflown = false;
    bool m_isBottomOverflown = false;
    bool m_showsTopShadow = true;
};

} // namespace kestrom
