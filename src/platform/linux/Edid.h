#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What a monitor says about itself in its EDID blob.
struct EdidInfo {
    QString manufacturer;      // three-letter PNP id ("DEL")
    QString name;              // monitor name descriptor, cleaned; empty when there is none
    int preferredWidth = 0;    // the first detailed timing (the native mode), 0 when absent
    int preferredHeight = 0;
    // Highest refresh rate in Hz of the modes at the native resolution (of all modes when the
    // native one is unknown), rounded; absent when the blob lists no timing it can compute.
    std::optional<int> maxRefreshHz;
    bool hdr = false;          // advertises the PQ (SMPTE ST 2084) or HLG transfer function
    int widthCm = 0;           // the screen's physical size, 0 when the monitor does not say
    int heightCm = 0;
    bool operator==(const EdidInfo&) const = default;
};

namespace Edid {
// Absent when the blob is not an EDID (short, wrong header, bad base checksum). Damaged
// extension blocks are skipped; every offset is bounds-checked.
std::optional<EdidInfo> parse(const QByteArray& blob);
// Device-supplied text: Latin-1 bytes up to a line feed or NUL, control characters removed,
// spaces trimmed.
QString cleanText(const QByteArray& bytes);
}  // namespace Edid
