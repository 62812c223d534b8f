#pragma once

#include "core/window/MoviePlayer.h"

#include <QMetaObject>

class QMediaPlayer;
class QVideoSink;

namespace kestrom {

// The movie player module's player: Qt Multimedia's, into a video sink.
// Neither stopping nor deleting it waits for the media back end.
class QtMoviePlayer : public MoviePlayer {
public:
    QtMoviePlayer(const QUrl& source, FrameHandler frames);
    ~QtMoviePlayer() override;

    bool isPlaying() const override;
    qint64 position() const override;
    QString error() const override;
    void stop() override;

private:
    std::unique_ptr<QVideoSink> m_sink;
    std::unique_ptr<QMediaPlayer> m_player;
    QMetaObject::Connection m_frames;
};

} // namespace kestrom
