#include "core/window/AboutViewController.h"

#include "core/document/job/KestromText.h"
#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace kestrom {

namespace {

constexpr int iconSide = 112;

} // namespace

AboutViewController::AboutViewController(QWidget* parent)
    : QWidget(parent), m_iconImageView(new QLabel(this)), m_labelStackView(new QWidget(this)),
      m_appNameLabel(new QLabel(m_labelStackView)), m_versionLabel(new QLabel(m_labelStackView)),
      m_copyrightLabel(new QLabel(m_labelStackView)),
      m_webButton(new QPushButton(m_labelStackView)) {
    setObjectName(QStringLiteral("AboutView"));
    m_iconImageView->setAlignment(Qt::AlignCenter);
    m_iconImageView->setFixedSize(iconSide + 8, iconSide + 8);
    m_iconImageView->setPixmap(QApplication::windowIcon().pixmap(iconSide, iconSide));

    QFont nameFont = m_appNameLabel->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    m_appNameLabel->setFont(nameFont);
    QFont small = m_copyrightLabel->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_copyrightLabel->setFont(small);
    m_copyrightLabel->setWordWrap(true);
    m_webButton->setFlat(true);
    m_webButton->setCursor(Qt::PointingHandCursor);
    m_webButton->setObjectName(QStringLiteral("WebButton"));
    QPalette link = m_webButton->palette();
    link.setColor(QPalette::ButtonText, link.color(QPalette::Link));
    m_webButton->setPalette(link);
    for (QLabel* label : {m_appNameLabel, m_versionLabel, m_copyrightLabel}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* labels = new QVBoxLayout(m_labelStackView);
    labels->setSpacing(4);
    labels->addWidget(m_appNameLabel);
    labels->addWidget(m_versionLabel);
    labels->addSpacing(6);
    labels->addWidget(m_copyrightLabel);
    labels->addWidget(m_webButton, 0, Qt::AlignHCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 22);
    layout->addWidget(m_iconImageView, 0, Qt::AlignHCenter);
    layout->addWidget(m_labelStackView);
    connect(m_webButton, &QPushButton::clicked, this, &AboutViewController::goToWebSite);

    const QVariantMap info = applicationInfo();
    if (!info.isEmpty()) {
        loadInfo(info, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }
}

QVariantMap AboutViewController::applicationInfo() {
    const platform::Bundle* bundle = platform::Bundle::main();
    if (!bundle) {
        return {};
    }
    QVariantMap info = bundle->infoDictionary();
    if (info.isEmpty()) {
        return info;
    }
    for (const QString& language : platform::Bundle::preferredLanguages()) {
        if (const auto table = bundle->stringTable(language, QStringLiteral("InfoPlist"))) {
            for (auto entry = table->cbegin(); entry != table->cend(); ++entry) {
                info.insert(entry.key(), entry.value());
            }
            break;
        }
    }
    return info;
}

void AboutViewController::loadInfo(const QVariantMap& info, const QString& applicationFileName) {
    auto string = [&info](const char* key) {
        const QVariant value = info.value(QString::fromLatin1(key));
        return value.typeId() == QMetaType::QString ? value.toString() : QString();
    };
    m_webSiteUrl.reset();
    const QVariant hide = info.value(QStringLiteral("About_ShouldHideCopyright"));
    if (hide.typeId() == QMetaType::Bool && hide.toBool()) {
        m_appNameLabel->setText(applicationFileName);
        m_copyrightLabel->clear();
    } else {
        m_appNameLabel->setText(string("CFBundleDisplayName"));
        m_copyrightLabel->setText(string("NSHumanReadableCopyright"));
        const QUrl url(string("About_WebButtonUrl"), QUrl::StrictMode);
        if (url.isValid() && !url.isEmpty()) {
            m_webSiteUrl = url;
            m_webButton->setText(url.host().isEmpty() ? KestromText::text("About_WebSite")
                                                      : url.host());
        }
    }
    m_webButton->setVisible(m_webSiteUrl.has_value());
    m_copyrightLabel->setVisible(!m_copyrightLabel->text().isEmpty());
    m_versionLabel->setText(KestromText::text("About_versionPrefix") +
                            string("CFBundleShortVersionString"));
}

void AboutViewController::goToWebSite() {
    if (!m_webSiteUrl) {
        return;
    }
    if (!QDesktopServices::openUrl(*m_webSiteUrl)) {
        platform::Log::line(QStringLiteral("Could not open Web Site URL (") +
                            m_webSiteUrl->toString(QUrl::FullyEncoded) + QStringLiteral(")."));
    }
}

void AboutViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The icon grows into place and the texts fade in.
    auto* grow = new QVariantAnimation(this);
    grow->setStartValue(0.8);
    grow->setEndValue(1.0);
    grow->setDuration(300);
    grow->setEasingCurve(QEasingCurve::OutBack);
    connect(grow, &QVariantAnimation::valueChanged, this, [this](const QVariant& scale) {
        const int side = qRound(iconSide * scale.toDouble());
        m_iconImageView->setPixmap(QApplication::windowIcon().pixmap(side, side));
    });
    grow->start(QAbstractAnimation::DeleteWhenStopped);
    auto* opacity = new QGraphicsOpacityEffect(m_labelStackView);
    m_labelStackView->setGraphicsEffect(opacity);
    auto* fade = new QPropertyAnimation(opacity, "opacity", this);
    fade->setStartValue(0.5);
    fade->setEndValue(1.0);
    fade->setDuration(300);
    connect(fade, &QPropertyAnimation::finished, m_labelStackView,
            [this] { m_labelStackView->setGraphicsEffect(nullptr); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace kestrom
