#pragma once

#include <QList>
#include <QSet>

#include <optional>

// One entry of the platform's video encoder list.
struct VideoEncoderEntry {
    quint32 codecType = 0;  // FourCC
    bool isHardwareAccelerated = false;
    bool operator==(const VideoEncoderEntry&) const = default;
};

// What the video hardware does, read in one go.
struct VideoCodecSupport {
    QSet<quint32> hardwareDecoders;                     // FourCC codes decoded in hardware
    std::optional<QList<VideoEncoderEntry>> encoders;   // absent when the list cannot be read
    bool operator==(const VideoCodecSupport&) const = default;
};

class VideoCodecs {
public:
    virtual ~VideoCodecs() = default;
    virtual VideoCodecSupport support() const = 0;
};
