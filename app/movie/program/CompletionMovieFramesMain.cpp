// Writes the completion movie's frames for an encoder: raw RGB, 640 x 360,
// 25 frames a second, one after another on standard output. With --png
// <folder> it writes them as PNG files instead, to look at.
// tools/make-completion-movie.sh turns them into the plug-in's movie.

#include "app/movie/CompletionMovieFrames.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lunvik-completion-movie-frames"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the completion movie's frames as raw RGB to standard output."));
    parser.addHelpOption();
    const QCommandLineOption pngOption(QStringLiteral("png"),
                                       QStringLiteral("Write PNG files into this folder instead."),
                                       QStringLiteral("folder"));
    parser.addOption(pngOption);
    parser.process(app);

    const lunvik::CompletionMovieFrames frames;
    QFile out;
    if (!parser.isSet(pngOption) && !out.open(stdout, QIODevice::WriteOnly)) {
        QTextStream(stderr) << "Cannot write to standard output" << Qt::endl;
        return 1;
    }
    for (int i = 0; i < lunvik::CompletionMovieFrames::frameCount; ++i) {
        const QImage frame = frames.frame(i);
        if (parser.isSet(pngOption)) {
            const QString path =
                QDir(parser.value(pngOption))
                    .filePath(QStringLiteral("frame-%1.png").arg(i, 3, 10, QChar('0')));
            if (!frame.save(path)) {
                QTextStream(stderr) << "Cannot write " << path << Qt::endl;
                return 1;
            }
            continue;
        }
        for (int y = 0; y < frame.height(); ++y) {
            const auto* row = reinterpret_cast<const char*>(frame.constScanLine(y));
            if (out.write(row, qint64(frame.width()) * 3) != qint64(frame.width()) * 3) {
                QTextStream(stderr) << "Cannot write to standard output" << Qt::endl;
                return 1;
            }
        }
    }
    return 0;
}
