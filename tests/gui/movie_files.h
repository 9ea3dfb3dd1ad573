// Movies for the GUI tests, made by GStreamer's own tool rather than kept
// in the repository: solid-colour MJPEG AVIs of a given size and length.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

inline bool klmCanMakeMovies() { return !QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty(); }

// colour is 0xRRGGBB; audio adds a quiet tone.
inline bool klmMakeAvi(const QString& path, quint32 colour, int w, int h, int fps, int frames, bool audio = false)
{
    QStringList args = {QStringLiteral("-q"),
                        QStringLiteral("videotestsrc"),
                        QStringLiteral("num-buffers=%1").arg(frames),
                        QStringLiteral("pattern=solid-color"),
                        QStringLiteral("foreground-color=%1").arg(0xFF000000u | colour),
                        QStringLiteral("!"),
                        QStringLiteral("video/x-raw,width=%1,height=%2,framerate=%3/1").arg(w).arg(h).arg(fps),
                        QStringLiteral("!"),
                        QStringLiteral("jpegenc"),
                        QStringLiteral("!"),
                        QStringLiteral("avimux"),
                        QStringLiteral("name=mux"),
                        QStringLiteral("!"),
                        QStringLiteral("filesink"),
                        QStringLiteral("location=") + path};
    if (audio)
        args << QStringLiteral("audiotestsrc") << QStringLiteral("num-buffers=%1").arg(frames * 44100 / fps / 1024)
             << QStringLiteral("volume=0.05") << QStringLiteral("!") << QStringLiteral("audioconvert")
             << QStringLiteral("!") << QStringLiteral("mux.");
    return QProcess::execute(QStringLiteral("gst-launch-1.0"), args) == 0 && QFile(path).size() > 0;
}
