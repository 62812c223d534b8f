#pragma once

#include "core/inspector/InspectorPaneViewController.h"

namespace kestrom {

class InspectorNumberTextField;

// How many copies of the picture go across and down, and the gaps between
// them. Typed values are clamped; the fields show the document's values
// after every edit and every outside change.
class InspectorPaneViewController_ImageRepeat : public InspectorPaneViewController {
    Q_OBJECT
public:
    explicit InspectorPaneViewController_ImageRepeat(QWidget* parent = nullptr);

    InspectorNumberTextField* xCopiesCountTextField() const { return m_xCount; }
    InspectorNumberTextField* xCopiesMarginTextField() const { return m_xMargin; }
    InspectorNumberTextField* yCopiesCountTextField() const { return m_yCount; }
    InspectorNumberTextField* yCopiesMarginTextField() const { return m_yMargin; }

    bool hasXCopies() const;
    bool hasYCopies() const;

    void changeXCount();
    void changeYCount();
    void changeXMargin();
    void changeYMargin();

protected:
    void documentDidChange() override;
    void observeDocument(PrintDocument& document) override;

private:
    void showXCount();
    void showYCount();
    void showXMargin();
    void showYMargin();

    InspectorNumberTextField* m_xCount;
    InspectorNumberTextField* m_xMargin;
    InspectorNumberTextField* m_yCount;
    InspectorNumberTextField* m_yMargin;
};

} // namespace kestrom
