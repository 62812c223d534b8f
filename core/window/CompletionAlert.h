#pragma once

#include "model/descriptions/DeviceDescriptor.h"

#include <QDialog>
#include <QImage>
#include <QUrl>

#include <memory>

class QPushButton;

namespace kestrom {

class MoviePlayer;

// The alert after a successful print, with the model's message and, where
// the platform can play it, its movie. The movie stops when the alert closes.
class CompletionAlert : public QDialog {
    Q_OBJECT
public:
    static constexpr int movieWidth = 640;
    static constexpr int movieHeight = 360;

    CompletionAlert(const ambrel::DeviceDescriptor::CompletionAlertInfo& info,
                    QWidget* parent = nullptr);
    ~CompletionAlert() override;

    QPushButton* okButton() const { return m_okButton; }
    // Whether this build plays movies (Qt Multimedia was found, and its
    // module built).
    static bool canPlayMovies();
    // The movie's view, when there is a movie and it can be played: shown
    // empty while the player is still loading; gone if it cannot be loaded.
    QWidget* movieView() const { return m_movieView; }
    bool isMoviePlaying() const;
    // Milliseconds into the movie; 0 without one.
    qint64 moviePosition() const;
    // Why the movie cannot play; empty while it can, or without one.
    QString movieError() const;
    // The movie's picture its view shows now; null before the first.
    QImage currentMovieFrame() const;

    void done(int result) override;

private:
    void startMovie(const QUrl& source);
    void stopMovie();

    QPushButton* m_okButton;
    QWidget* m_movieView = nullptr;
    std::unique_ptr<MoviePlayer> m_player;
    bool m_closed = false;
};

} // namespace kestrom
