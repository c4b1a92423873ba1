#pragma once
// A media overlay (SMIL): the narration of a page as clips of sound files,
// each played from clipBegin to clipEnd, in document order.
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tirvelo::authoring {

struct AudioClip {
    QString path;                 // the sound file, as an archive entry
    double begin = 0;             // seconds
    std::optional<double> end;    // seconds; none: to the end of the file
    bool operator==(const AudioClip&) const = default;
};

// A SMIL clock value in seconds: "12.5s", "500ms", "1.5min", "2h", "0:01:02.5",
// "01:02.5" or a bare number of seconds. nullopt for anything else, negative
// values included.
std::optional<double> smilClockSeconds(QStringView value);

// The clips of every <audio> element; nullopt when the file is not
// well-formed XML or a clip's time cannot be read (error says where).
std::optional<QList<AudioClip>> parseMediaOverlay(const QByteArray& smil, const QString& smilPath, QString* error = nullptr);

} // namespace tirvelo::authoring
