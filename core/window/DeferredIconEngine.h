#pragma once

#include <QIconEngine>

#include <functional>
#include <memory>

namespace kestrom {

// An icon made the first time it is drawn or measured, so that a window can
// be built without reading or drawing the pictures of icons it does not
// show yet. The icon is made once for all copies.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make);

    // Whether the icon has been made, for all copies of this one.
    bool isMade() const;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;
    bool isNull() override;

private:
    struct Shared {
        std::function<QIcon()> make;
        std::unique_ptr<QIcon> icon;
    };

    const QIcon& icon() const;

    std::shared_ptr<Shared> m_shared;
};

} // namespace kestrom
