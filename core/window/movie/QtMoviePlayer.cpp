#include "core/window/movie/QtMoviePlayer.h"

#include "core/window/movie/MovieTeardown.h"

#include <QMediaPlayer>
#include <QVideoFrame>
#include <QVideoSink>

namespace kestrom {

QtMoviePlayer::QtMoviePlayer(const QUrl& source, FrameHandler frames)
    : m_sink(std::make_unique<QVideoSink>()), m_player(std::make_unique<QMediaPlayer>()) {
    // The sink lives on this (the main) thread, so frames reach the handler
    // there whichever thread decodes them.
    m_frames = QObject::connect(
        m_sink.get(), &QVideoSink::videoFrameChanged, m_sink.get(),
        [frames = std::move(frames)](const QVideoFrame& frame) { frames(frame.toImage()); });
    m_player->setVideoSink(m_sink.get());
    m_player->setSource(source);
    m_player->play();
}

QtMoviePlayer::~QtMoviePlayer() {
    QObject::disconnect(m_frames);
    MovieTeardown::begin(std::move(m_player), std::move(m_sink));
}

bool QtMoviePlayer::isPlaying() const {
    return m_player->playbackState() == QMediaPlayer::PlayingState;
}

qint64 QtMoviePlayer::position() const {
    return m_player->position();
}

QString QtMoviePlayer::error() const {
    return m_player->error() == QMediaPlayer::NoError ? QString() : m_player->errorString();
}

void QtMoviePlayer::stop() {
    // A stop waits for a movie still loading, a pause does not; the movie
    // is not resumed, so no frame is wanted any more.
    QObject::disconnect(m_frames);
    m_player->pause();
}

} // namespace kestrom

extern "C" __attribute__((visibility("default"))) kestrom::MoviePlayer*
lunvikMoviePlayer(const QUrl& source, kestrom::MoviePlayer::FrameHandler frames) {
    return new kestrom::QtMoviePlayer(source, std::move(frames));
}

// Players deleted whose media back end is still being let go.
extern "C" __attribute__((visibility("default"))) int lunvikMoviePlayersLettingGo() {
    return kestrom::MovieTeardown::pendingCount();
}

// The back end's first player loads its plug-in, sets up the media framework
// and loads the libraries a player's parts come from. A player with a video
// sink, as the alert's, made and dropped here leaves them all ready.
extern "C" __attribute__((visibility("default"))) void lunvikMoviePlayerWarmUp() {
    QVideoSink sink;
    QMediaPlayer player;
    player.setVideoSink(&sink);
}
