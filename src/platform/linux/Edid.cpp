#include "platform/linux/Edid.h"

#include <QList>

#include <cmath>
#include <cstring>

namespace {

struct Timing {
    int width = 0;
    int height = 0;
    double hz = 0;
};

quint8 at(const QByteArray& b, qsizetype i) { return i >= 0 && i < b.size() ? quint8(b[i]) : 0; }

bool checksumOk(const QByteArray& blob, qsizetype start)
{
    if (start + 128 > blob.size()) return false;
    quint8 sum = 0;
    for (qsizetype i = start; i < start + 128; ++i) sum = quint8(sum + quint8(blob[i]));
    return sum == 0;
}

// An 18-byte detailed timing descriptor; absent for a display descriptor (clock 0).
std::optional<Timing> detailedTiming(const QByteArray& b, qsizetype o)
{
    const int clock10k = at(b, o) | (at(b, o + 1) << 8);
    if (clock10k == 0) return std::nullopt;
    const int hActive = at(b, o + 2) | ((at(b, o + 4) & 0xF0) << 4);
    const int hBlank = at(b, o + 3) | ((at(b, o + 4) & 0x0F) << 8);
    const int vActive = at(b, o + 5) | ((at(b, o + 7) & 0xF0) << 4);
    const int vBlank = at(b, o + 6) | ((at(b, o + 7) & 0x0F) << 8);
    const double total = double(hActive + hBlank) * double(vActive + vBlank);
    if (hActive == 0 || vActive == 0 || total <= 0) return std::nullopt;
    const bool interlaced = at(b, o + 17) & 0x80;
    return Timing{hActive, interlaced ? vActive * 2 : vActive, clock10k * 10000.0 / total};
}

// Short video descriptors of the CTA video blocks: the progressive modes a monitor may
// list only by number.
std::optional<Timing> vicTiming(int vic)
{
    struct Row { int vic, w, h, hz; };
    static const Row rows[] = {
        {1, 640, 480, 60},    {2, 720, 480, 60},    {3, 720, 480, 60},    {4, 1280, 720, 60},   {16, 1920, 1080, 60},
        {17, 720, 576, 50},   {18, 720, 576, 50},   {19, 1280, 720, 50},  {31, 1920, 1080, 50}, {32, 1920, 1080, 24},
        {33, 1920, 1080, 25}, {34, 1920, 1080, 30}, {41, 1280, 720, 100}, {47, 1280, 720, 120}, {63, 1920, 1080, 120},
        {64, 1920, 1080, 100}, {93, 3840, 2160, 24}, {94, 3840, 2160, 25}, {95, 3840, 2160, 30}, {96, 3840, 2160, 50},
        {97, 3840, 2160, 60}, {98, 4096, 2160, 24}, {99, 4096, 2160, 25}, {100, 4096, 2160, 30}, {101, 4096, 2160, 50},
        {102, 4096, 2160, 60}, {117, 3840, 2160, 100}, {118, 3840, 2160, 120}, {194, 7680, 4320, 24},
        {195, 7680, 4320, 25}, {196, 7680, 4320, 30}, {197, 7680, 4320, 48}, {198, 7680, 4320, 50},
        {199, 7680, 4320, 60}, {200, 7680, 4320, 100}, {201, 7680, 4320, 120}, {218, 4096, 2160, 100},
        {219, 4096, 2160, 120},
    };
    for (const Row& r : rows)
        if (r.vic == vic) return Timing{r.w, r.h, double(r.hz)};
    return std::nullopt;
}

void addShortVideoDescriptors(const QByteArray& b, qsizetype from, qsizetype to, QList<Timing>& out)
{
    for (qsizetype i = from; i < to; ++i) {
        const int svd = at(b, i);
        // Values 129 to 192 carry a "native" flag in the top bit.
        const int vic = (svd >= 129 && svd <= 192) ? (svd & 0x7F) : svd;
        if (auto t = vicTiming(vic)) out << *t;
    }
}

void parseCta(const QByteArray& b, qsizetype base, QList<Timing>& timings, bool& hdr)
{
    const int dtdOffset = at(b, base + 2);
    if (dtdOffset >= 4 && dtdOffset <= 127) {
        qsizetype i = base + 4;
        const qsizetype end = base + dtdOffset;
        while (i < end) {
            const int header = at(b, i);
            const int tag = header >> 5;
            const int len = header & 0x1F;
            const qsizetype payload = i + 1;
            if (payload + len > end) break;
            if (tag == 2) {
                addShortVideoDescriptors(b, payload, payload + len, timings);
            } else if (tag == 7 && len >= 1) {
                const int ext = at(b, payload);
                if (ext == 6 && len >= 2) {
                    const int eotf = at(b, payload + 1);
                    if (eotf & 0x0C) hdr = true;  // SMPTE ST 2084 or HLG
                } else if (ext == 14) {
                    addShortVideoDescriptors(b, payload + 1, payload + len, timings);
                }
            }
            i = payload + len;
        }
        for (qsizetype o = base + dtdOffset; o + 18 <= base + 127; o += 18)
            if (auto t = detailedTiming(b, o)) timings << *t;
    }
}

// DisplayID detailed timings (type I: 10 kHz clock units, type VII: 1 kHz).
void parseDisplayId(const QByteArray& b, qsizetype base, QList<Timing>& timings)
{
    const int sectionLength = at(b, base + 2);
    qsizetype i = base + 5;
    const qsizetype end = qMin<qsizetype>(base + 5 + sectionLength, base + 127);
    while (i + 3 <= end) {
        const int tag = at(b, i);
        const int len = at(b, i + 2);
        const qsizetype payload = i + 3;
        if (payload + len > end) break;
        if ((tag == 0x03 || tag == 0x22) && len >= 20) {
            const double unit = tag == 0x03 ? 10000.0 : 1000.0;
            for (qsizetype d = payload; d + 20 <= payload + len; d += 20) {
                const double clock = ((at(b, d) | (at(b, d + 1) << 8) | (at(b, d + 2) << 16)) + 1) * unit;
                const int hActive = (at(b, d + 4) | (at(b, d + 5) << 8)) + 1;
                const int hBlank = (at(b, d + 6) | (at(b, d + 7) << 8)) + 1;
                const int vActive = (at(b, d + 12) | (at(b, d + 13) << 8)) + 1;
                const int vBlank = (at(b, d + 14) | (at(b, d + 15) << 8)) + 1;
                timings << Timing{hActive, vActive, clock / (double(hActive + hBlank) * double(vActive + vBlank))};
            }
        }
        if (tag == 0 && len == 0) break;  // padding
        i = payload + len;
    }
}

}  // namespace

namespace Edid {

QString cleanText(const QByteArray& bytes)
{
    QString out;
    for (char ch : bytes) {
        const quint8 c = quint8(ch);
        if (c == 0x0A || c == 0x00) break;
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
        out += QChar(c);
    }
    qsizetype b = 0, e = out.size();
    while (b < e && (out[b] == ' ' || out[b] == QChar(0xA0))) ++b;
    while (e > b && (out[e - 1] == ' ' || out[e - 1] == QChar(0xA0))) --e;
    return out.mid(b, e - b);
}

std::optional<EdidInfo> parse(const QByteArray& blob)
{
    static const char header[8] = {0, char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), 0};
    if (blob.size() < 128 || std::memcmp(blob.constData(), header, 8) != 0 || !checksumOk(blob, 0)) return std::nullopt;

    EdidInfo info;
    const int id = (at(blob, 8) << 8) | at(blob, 9);
    for (int shift : {10, 5, 0}) {
        const int letter = (id >> shift) & 0x1F;
        if (letter >= 1 && letter <= 26) info.manufacturer += QChar('A' + letter - 1);
    }

    // Bytes 21 and 22: the image size in centimetres (both 0, or one an aspect ratio, when unknown).
    if (at(blob, 21) && at(blob, 22)) {
        info.widthCm = at(blob, 21);
        info.heightCm = at(blob, 22);
    }

    QList<Timing> timings;
    bool preferredKnown = false;
    for (qsizetype o = 54; o < 126; o += 18) {
        if (auto t = detailedTiming(blob, o)) {
            if (!preferredKnown) {
                info.preferredWidth = t->width;
                info.preferredHeight = t->height;
                preferredKnown = true;
            }
            timings << *t;
        } else if (at(blob, o + 3) == 0xFC) {
            info.name = cleanText(blob.mid(o + 5, 13));
        }
    }
    // Standard timings: width, aspect ratio, refresh; 01 01 marks an unused slot.
    for (qsizetype o = 38; o < 54; o += 2) {
        const int b1 = at(blob, o), b2 = at(blob, o + 1);
        if ((b1 == 1 && b2 == 1) || b1 == 0) continue;
        const int width = (b1 + 31) * 8;
        int height = 0;
        switch (b2 >> 6) {
        case 0: height = width * 10 / 16; break;
        case 1: height = width * 3 / 4; break;
        case 2: height = width * 4 / 5; break;
        default: height = width * 9 / 16; break;
        }
        timings << Timing{width, height, double((b2 & 0x3F) + 60)};
    }

    const int extensions = at(blob, 126);
    for (int n = 1; n <= extensions; ++n) {
        const qsizetype base = qsizetype(n) * 128;
        if (!checksumOk(blob, base)) continue;
        const int tag = at(blob, base);
        if (tag == 0x02) parseCta(blob, base, timings, info.hdr);
        else if (tag == 0x70) parseDisplayId(blob, base, timings);
    }

    double best = 0;
    for (const Timing& t : timings) {
        if (preferredKnown && (t.width != info.preferredWidth || t.height != info.preferredHeight)) continue;
        if (std::isfinite(t.hz) && t.hz > best && t.hz < 1000) best = t.hz;
    }
    if (best >= 1) info.maxRefreshHz = int(std::lround(best));  // below 1 Hz is no mode at all
    return info;
}

}  // namespace Edid
