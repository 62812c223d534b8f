#include "core/window/CompletionAlert.h"

#include "core/window/CompletionMovieView.h"
#include "core/window/MoviePlayer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kestrom {

CompletionAlert::CompletionAlert(const ambrel::DeviceDescriptor::CompletionAlertInfo& info,
                                 QWidget* parent)
    : QDialog(parent), m_okButton(new QPushButton(QStringLiteral("OK"), this)) {
    setObjectName(QStringLiteral("CompletionAlert"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(info.message);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* message = new QLabel(info.message, this);
    message->setObjectName(QStringLiteral("message"));
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setWordWrap(true);
    auto* informative = new QLabel(info.informativeText, this);
    informative->setObjectName(QStringLiteral("informativeText"));
    informative->setWordWrap(true);

    auto* texts = new QVBoxLayout;
    texts->addWidget(message);
    texts->addWidget(informative);
#ifdef LUNVIK_HAS_MULTIMEDIA
    if (info.videoFileUrl) {
        auto* view = new CompletionMovieView(this);
        view->setFixedSize(movieWidth, movieHeight);
        m_player = MoviePlayer::play(
            *info.videoFileUrl, [view = QPointer<CompletionMovieView>(view)](const QImage& frame) {
                if (view) {
                    view->setFrame(frame);
                }
            });
        if (m_player) {
            m_movieView = view;
            texts->addWidget(view);
        } else {
            delete view;
        }
    }
#endif
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);

    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

CompletionAlert::~CompletionAlert() {
    stopMovie();
}

bool CompletionAlert::canPlayMovies() {
#ifdef LUNVIK_HAS_MULTIMEDIA
    return true;
#else
    return false;
#endif
}

bool CompletionAlert::isMoviePlaying() const {
    return m_player && m_player->isPlaying();
}

qint64 CompletionAlert::moviePosition() const {
    return m_player ? m_player->position() : 0;
}

QString CompletionAlert::movieError() const {
    return m_player ? m_player->error() : QString();
}

QImage CompletionAlert::currentMovieFrame() const {
    if (auto* view = qobject_cast<CompletionMovieView*>(m_movieView)) {
        return view->frame();
    }
    return {};
}

void CompletionAlert::done(int result) {
    stopMovie();
    QDialog::done(result);
}

void CompletionAlert::stopMovie() {
    if (m_player) {
        m_player->stop();
    }
}

} // namespace kestrom
