#pragma once

#include <QImage>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QObject;

namespace kestrom {

// A movie playing into a frame handler. Qt Multimedia, which brings the
// sound, video and network libraries, lives in a module of its own beside
// the program's libraries, loaded with the first movie: a start never maps it.
//
// Loading the module and setting up the first player (the media back end's
// plug-ins and libraries) takes a few tens of milliseconds, far more from a
// cold disk. whenPrepared() has it done on a thread of its own, so that the
// main thread never waits for it.
class MoviePlayer {
public:
    using FrameHandler = std::function<void(const QImage&)>;

    virtual ~MoviePlayer() = default;

    // A player that has begun to play the movie, handing each frame to the
    // handler on the main thread; nullptr when the module cannot be loaded.
    // Loads the module on this thread if it is not yet, or waits for a
    // preparation under way.
    static std::unique_ptr<MoviePlayer> play(const QUrl& source, FrameHandler frames);
    static QString moduleFileName();

    // Whether the module is loaded, or known not to load: play() then takes
    // no longer than for any later movie.
    static bool isPrepared();
    // Runs `ready` on the main thread once the module is prepared: at once
    // when it is, otherwise once a thread of its own, started by the first
    // call, has loaded the module and set up a first player. Not run when
    // `context` is gone by then. Main thread.
    static void whenPrepared(QObject* context, std::function<void()> ready);
    // Runs on the preparing thread before the module is loaded: a test holds
    // the preparation back with it, or makes it fail (false) as a module that
    // cannot be loaded would.
    static void setPreparationHookForTesting(std::function<bool()> hook);
    // Players deleted whose media back end is still being let go: a player
    // is deleted at once, without waiting for the back end, which goes once
    // its movie has loaded (or failed to) and it has come to a stop, or as
    // the application ends. Main thread.
    static int lettingGoCount();

    virtual bool isPlaying() const = 0;
    // Milliseconds into the movie.
    virtual qint64 position() const = 0;
    // Why the movie cannot play; empty while it can.
    virtual QString error() const = 0;
    // Stops the movie where it is and hands over no more frames, without
    // waiting for the media back end.
    virtual void stop() = 0;
};

} // namespace kestrom

// The module's entries, looked up by name: a new player that plays, and the
// setting up of the media back end that the first player would do.
extern "C" {
using LunvikMoviePlayerEntry = kestrom::MoviePlayer* (*)(const QUrl& source,
                                                         kestrom::MoviePlayer::FrameHandler frames);
using LunvikMoviePlayerWarmUpEntry = void (*)();
using LunvikMoviePlayersLettingGoEntry = int (*)();
}
