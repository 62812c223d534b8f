#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSplitter;

namespace kestrom {

class GridViewController;

// The document window's main split item: owns the canvas controller, keeps
// the canvas at least 510 x 250 points, and shows it over a window-coloured
// background with a faint dim layer on top.
class MainContentSplitItemViewController : public QObject {
    Q_OBJECT

public:
    static constexpr int minimumCanvasWidth = 510;
    static constexpr int minimumCanvasHeight = 250;

    // The controller's view: the background, the dim layer and the canvas
    // controller's view, each covering the whole item.
    class View : public QWidget {
    public:
        // Faint white over a dark window, faint black over a light one.
        class DimView : public QWidget {
        public:
            explicit DimView(QWidget* parent = nullptr);
            // The colour the layer takes for the window's appearance.
            static QColor dimColor(bool isDark);
            // The layer's colour over an opaque background.
            static QColor dimmed(const QColor& background, bool isDark);

        protected:
            void paintEvent(QPaintEvent* event) override;
        };

        explicit View(QWidget* parent = nullptr);
        QWidget* visualEffectView() const { return m_visualEffectView; }
        DimView* dimView() const { return m_dimView; }

    private:
        QWidget* m_visualEffectView;
        DimView* m_dimView;
    };

    explicit MainContentSplitItemViewController(QObject* parent = nullptr);
    ~MainContentSplitItemViewController() override;

    GridViewController* gridViewController() const { return m_gridViewController; }
    View* view() const { return m_view.data(); }
    // Puts the item into the window's split view as its main, stretching item.
    void addTo(QSplitter& splitter);

private:
    GridViewController* m_gridViewController;
    QPointer<View> m_view;
};

} // namespace kestrom
