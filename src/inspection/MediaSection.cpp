#include "inspection/DeviceProbe.h"

namespace DeviceProbe {

namespace {
// The codec types that have a hardware-accelerated encoder; empty when the list cannot be read.
QSet<quint32> hardwareEncoders(const VideoCodecSupport& support)
{
    QSet<quint32> set;
    if (!support.encoders) return set;
    for (const VideoEncoderEntry& e : *support.encoders)
        if (e.isHardwareAccelerated) set.insert(e.codecType);
    return set;
}
}  // namespace

CapabilitySection mediaSection(const ProbeContext& ctx)
{
    const Localization& L = ctx.L;
    using S = CapabilityStatus;
    struct Codec {
        const char* name;
        const char* code;
    };
    static const Codec codecs[] = {
        {"H.264", "avc1"}, {"HEVC (H.265)", "hvc1"}, {"ProRes", "apcn"}, {"AV1", "av01"}, {"VP9", "vp09"},
    };

    // One reading covers decode and encode, so both come from the same state of the machine.
    const VideoCodecSupport support = ctx.platform.video.support();
    const QSet<quint32> encoders = hardwareEncoders(support);
    QList<CapabilityItem> items;

    for (const Codec& c : codecs) {
        const quint32 code = fourCC(QString::fromLatin1(c.code));
        const bool decode = support.hardwareDecoders.contains(code);
        const bool encode = encoders.contains(code);
        QString value;
        S status = S::supported;
        if (decode && encode) value = L.tr("Decode + encode");
        else if (decode) value = L.tr("Decode only");
        else if (encode) value = L.tr("Encode only");
        else {
            value = L.tr("Software only");
            status = S::unsupported;
        }
        const QString name = QString::fromLatin1(c.name);
        items << CapabilityItem::make(name, value, status, QStringLiteral("codec.") + name);
    }

    const bool alpha = encoders.contains(fourCC(QStringLiteral("muxa")));
    items << CapabilityItem::make(L.tr("HEVC with alpha"), alpha ? L.tr("Hardware encode") : L.tr("Not supported"),
                                  alpha ? S::supported : S::unsupported, "hevcAlpha");

    return CapabilitySection::make(L.tr("Hardware Video Acceleration"), "film", items);
}

}  // namespace DeviceProbe
