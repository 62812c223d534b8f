#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

namespace kestrom {

// A movie playing into a frame handler. Qt Multimedia, which brings the
// sound, video and network libraries, lives in a module of its own beside
// the program's libraries, loaded with the first movie: a start never maps it.
class MoviePlayer {
public:
    using FrameHandler = std::function<void(const QImage&)>;

    virtual ~MoviePlayer() = default;

    // A player that has begun to play the movie, handing each frame to the
    // handler on the main thread; nullptr when the module cannot be loaded.
    static std::unique_ptr<MoviePlayer> play(const QUrl& source, FrameHandler frames);
    static QString moduleFileName();

    virtual bool isPlaying() const = 0;
    // Milliseconds into the movie.
    virtual qint64 position() const = 0;
    // Why the movie cannot play; empty while it can.
    virtual QString error() const = 0;
    virtual void stop() = 0;
};

} // namespace kestrom

// The module's one entry, looked up by name: a new player that plays.
extern "C" {
using LunvikMoviePlayerEntry = kestrom::MoviePlayer* (*)(const QUrl& source,
                                                         kestrom::MoviePlayer::FrameHandler frames);
}
