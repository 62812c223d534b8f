#pragma once

#include <QUrl>
#include <QVariantMap>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace kestrom {

// The About window's content: icon, name, version, copyright and a button
// to the web site, all read from the application's information dictionary.
class AboutViewController : public QWidget {
    Q_OBJECT
public:
    explicit AboutViewController(QWidget* parent = nullptr);

    QLabel* iconImageView() const { return m_iconImageView; }
    QWidget* labelStackView() const { return m_labelStackView; }
    QLabel* versionLabel() const { return m_versionLabel; }
    QLabel* copyrightLabel() const { return m_copyrightLabel; }
    QLabel* appNameLabel() const { return m_appNameLabel; }
    QPushButton* webButton() const { return m_webButton; }
    const std::optional<QUrl>& webSiteUrl() const { return m_webSiteUrl; }

    // The main bundle's dictionary with its localized entries over it.
    static QVariantMap applicationInfo();
    // Fills the labels; the application's file name stands for the name when
    // the copyright is to be hidden.
    void loadInfo(const QVariantMap& info, const QString& applicationFileName);

    // Opens the web site in the browser; nothing without one.
    virtual void goToWebSite();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_iconImageView;
    QWidget* m_labelStackView;
    QLabel* m_appNameLabel;
    QLabel* m_versionLabel;
    QLabel* m_copyrightLabel;
    QPushButton* m_webButton;
    std::optional<QUrl> m_webSiteUrl;
};

} // namespace kestrom
