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
        m_movieView = new CompletionMovieView(this);
        m_movieView->setFixedSize(movieWidth, movieHeight);
        texts->addWidget(m_movieView);
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

#ifdef LUNVIK_HAS_MULTIMEDIA
    // A player still loading leaves the movie's place empty until it plays,
    // rather than keeping the alert (and the main thread) waiting for it.
    if (info.videoFileUrl) {
        MoviePlayer::whenPrepared(this,
                                  [this, source = *info.videoFileUrl] { startMovie(source); });
    }
#endif
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
    m_closed = true;
    stopMovie();
    QDialog::done(result);
}

void CompletionAlert::startMovie(const QUrl& source) {
    if (m_closed || !m_movieView) {
        return;
    }
    m_player =
        MoviePlayer::play(source, [view = QPointer<QWidget>(m_movieView)](const QImage& frame) {
            if (auto* movie = qobject_cast<CompletionMovieView*>(view)) {
                movie->setFrame(frame);
            }
        });
    if (!m_player) {
        // Without the module the alert shows its texts alone.
        delete m_movieView;
        m_movieView = nullptr;
        layout()->activate();
        adjustSize();
    }
}

void CompletionAlert::stopMovie() {
    // The player goes at once; its media back end is let go later, so that
    // a movie still loading never holds the alert's close.
    m_player.reset();
}

} // namespace kestrom
