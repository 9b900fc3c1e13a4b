#include "ui/Symbols.h"

#include "ui/FontMatches.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QSet>
#include <QThread>
#include <QtDebug>

#include <optional>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Glyph {
    const char* ligature;
    char32_t codepoint;
    bool directional = false;
};

// Symbol name → Material Icons glyph. Code points are the font's own (checked against
// the ligatures by the tests), so drawing never depends on ligature shaping.
const QHash<QString, Glyph>& table()
{
    static const QHash<QString, Glyph> t = {
        // Capability sections
        {"info.circle", {"info_outline", 0xe88f}},
        {"info.circle.fill", {"info", 0xe88e}},
        {"cpu", {"memory", 0xe322}},
        {"square.stack.3d.up", {"layers", 0xe53b}},
        {"sparkles", {"auto_awesome", 0xe65f}},
        {"display", {"monitor", 0xef5b}},
        {"film", {"movie", 0xe02c}},
        {"camera", {"photo_camera", 0xe412}},
        {"internaldrive", {"storage", 0xe1db}},
        {"battery.100", {"battery_full", 0xe1a4}},
        {"network", {"lan", 0xeb2f}},
        {"lock.shield", {"security", 0xe32a}},
        // Statuses
        {"checkmark.circle.fill", {"check_circle", 0xe86c}},
        {"xmark.circle.fill", {"cancel", 0xe5c9}},
        {"exclamationmark.triangle.fill", {"warning", 0xe002}},
        {"circle.fill", {"circle", 0xef4a}},
        {"circle", {"radio_button_unchecked", 0xe836}},
        {"checkmark", {"check", 0xe5ca}},
        // Navigation, toolbar, menus
        {"square.grid.2x2", {"grid_view", 0xe9b0}},
        {"magnifyingglass", {"search", 0xe8b6}},
        {"arrow.clockwise", {"refresh", 0xe5d5}},
        {"square.and.arrow.up", {"ios_share", 0xe6b8}},
        {"doc.on.doc", {"content_copy", 0xe14d}},
        {"globe", {"language", 0xe894}},
        {"gearshape", {"settings", 0xe8b8}},
        {"chevron.forward", {"chevron_right", 0xe5cc, true}},
        {"chevron.backward", {"chevron_left", 0xe5cb, true}},
        {"arrow.forward", {"arrow_forward", 0xe5c8, true}},
        {"line.3.horizontal.decrease.circle", {"filter_list", 0xe152}},
        // Tools
        {"doc.richtext", {"article", 0xef42}},
        {"waveform.path.ecg", {"monitor_heart", 0xeaa2}},
        {"battery.100.bolt", {"battery_charging_full", 0xe1a3}},
        {"clock.arrow.circlepath", {"history", 0xe889}},
        // Reports
        {"curlybraces", {"data_object", 0xead3}},
        {"text.alignleft", {"format_align_left", 0xe236}},
        {"doc.plaintext", {"description", 0xe873}},
        // Overview: devices, pills, highlights
        {"laptopcomputer", {"laptop", 0xe31e}},
        {"desktopcomputer", {"desktop_windows", 0xe30c}},
        {"memorychip", {"developer_board", 0xe30d}},
        {"apple.logo", {"computer", 0xe30a}},
        {"play.rectangle", {"smart_display", 0xf06a}},
        {"film.stack", {"video_library", 0xe04a}},
        {"light.max", {"flare", 0xe3e4}},
        {"cube.transparent", {"view_in_ar", 0xe9fe}},
        {"sun.max", {"light_mode", 0xe518}},
        {"brain", {"psychology", 0xea4a}},
        {"touchid", {"fingerprint", 0xe90d}},
        // Battery and live monitor
        {"arrow.triangle.2.circlepath", {"sync", 0xe627}},
        {"thermometer.medium", {"thermostat", 0xf076}},
        {"battery.75", {"battery_5_bar", 0xebd4}},
        {"powerplug", {"power", 0xe63c}},
        {"bolt.slash", {"flash_off", 0xe3e6}},
        {"bolt.fill", {"bolt", 0xea0b}},
        {"calendar", {"calendar_today", 0xe935}},
        {"gauge.with.dots.needle.33percent", {"speed", 0xe9e4}},
        {"arrow.down.arrow.up", {"swap_vert", 0xe8d5}},
        // History
        {"equal.circle", {"drag_handle", 0xe25d}},
        {"square.on.square", {"filter_none", 0xe3e0}},
        {"plus.circle.fill", {"add_circle", 0xe147}},
        {"minus.circle.fill", {"remove_circle", 0xe15c}},
        // Updates
        {"arrow.down", {"arrow_downward", 0xe5db}},
        {"arrow.down.circle", {"arrow_circle_down", 0xf181}},
        {"arrow.triangle.2.circlepath.circle.fill", {"change_circle", 0xe2e7}},
        // Onboarding
        {"checklist", {"checklist", 0xe6b1}},
        {"person.crop.circle.badge.xmark", {"no_accounts", 0xf03e}},
    };
    return t;
}

const Glyph* find(const QString& symbolName)
{
    auto it = table().constFind(symbolName);
    if (it != table().constEnd()) return &it.value();
    static QMutex mutex;
    static QSet<QString> logged;
    QMutexLocker lock(&mutex);
    if (!logged.contains(symbolName)) {
        logged.insert(symbolName);
        qWarning().noquote() << "Symbols: no glyph for" << symbolName;
    }
    return nullptr;
}

constexpr const char* kFacePath = "/usr/share/fonts/truetype/material-design-icons-iconfont/MaterialIcons-Regular.ttf";

const QString& family()
{
    static const QString f = [] {
        const char* path = kFacePath;
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
        const QString loaded = id >= 0 ? QFontDatabase::applicationFontFamilies(id).value(0) : QString();
        if (loaded.isEmpty()) qWarning().noquote() << "Symbols: Material Icons font not found at" << path;
        return loaded;
    }();
    return f;
}
}  // namespace

namespace Symbols {

QString glyph(const QString& symbolName)
{
    const Glyph* g = find(symbolName);
    return g ? QString::fromLatin1(g->ligature) : QString();
}

char32_t codepoint(const QString& symbolName)
{
    const Glyph* g = find(symbolName);
    return g ? g->codepoint : 0;
}

bool isKnown(const QString& symbolName) { return table().contains(symbolName); }

bool mirrorsInRightToLeft(const QString& symbolName)
{
    auto it = table().constFind(symbolName);
    return it != table().constEnd() && it->directional;
}

namespace {
constexpr qreal kOutlineSize = 240;

// The outlines are read from the face's own file, mapped once for the process, rather than
// through a font of the family: the family also names the package's compressed web copies,
// which the font database prefers, and each thread's first symbol would unpack one again
// (several milliseconds). Mapped, its pages are shared with the page cache and only those
// read are resident.
const QByteArray& faceData()
{
    static const QByteArray data = [] {
        const int fd = ::open(kFacePath, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return QByteArray();
        struct stat st {};
        void* mapped = MAP_FAILED;
        if (::fstat(fd, &st) == 0 && st.st_size > 0) mapped = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        // Kept for the life of the process: every thread's raw font reads from it.
        return mapped == MAP_FAILED ? QByteArray() : QByteArray::fromRawData(static_cast<const char*>(mapped), qsizetype(st.st_size));
    }();
    return data;
}

// The face at the outlines' size, one per thread: Qt's font engines are not shared between
// threads, and the PDF may draw symbols off the interface thread.
struct OutlineFace {
    std::optional<QRawFont> face;
    bool loaded = false;
};
thread_local OutlineFace outlineFaceSlot;

void dropOutlineFace()
{
    outlineFaceSlot.face.reset();
    outlineFaceSlot.loaded = false;
}

const QRawFont* outlineFace()
{
    OutlineFace& slot = outlineFaceSlot;
    if (!slot.loaded) {
        slot.loaded = true;
        if (!faceData().isEmpty()) slot.face.emplace(faceData(), kOutlineSize);
        // Qt lets go of the interface thread's font data with the application object, before
        // this thread's variables go at exit: the face goes first, with the application.
        if (QCoreApplication* app = QCoreApplication::instance(); app && app->thread() == QThread::currentThread())
            qAddPostRoutine(&dropOutlineFace);
    }
    return slot.face && slot.face->isValid() ? &*slot.face : nullptr;
}
}  // namespace

QStringList names()
{
    QStringList n = table().keys();
    n.sort();
    return n;
}

QString loadedFamily() { return family(); }

void matchOutlineFaceAhead()
{
    // The raw face is named by the family its file declares, the one registered for it.
    if (!faceData().isEmpty()) FontMatches::keepAheadForData(family(), kOutlineSize);
}

QFont font(qreal pixelSize)
{
    QFont f(family().isEmpty() ? QStringLiteral("Material Icons") : family());
    f.setPixelSize(qMax(1, qRound(pixelSize)));
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

void draw(QPainter& painter, const QString& symbolName, const QRectF& rect, const QBrush& brush)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const Glyph* g = find(symbolName);
    const QRawFont* face = g ? outlineFace() : nullptr;
    if (!face) {
        // A neutral dot keeps the layout and shows that something belongs here.
        const qreal d = rect.height() * 0.35;
        painter.setPen(Qt::NoPen);
        painter.setBrush(brush);
        painter.drawEllipse(rect.center(), d / 2, d / 2);
    } else {
        // The glyph as a path, so a gradient fills it and the PDF gets vectors. The em
        // square is centred on the rect (not the ink), so glyphs share one optical frame.
        // The font draws its icons within the middle 20 of 24 units of the em: the em is
        // enlarged so that this live area, the symbol proper, is the size asked for. The
        // outline is taken at a large size and scaled, so no size is rounded to a pixel.
        // Turning a glyph into a path is the costly part: each outline is taken once (per
        // thread: the PDF may draw symbols off the interface thread).
        struct Outline {
            QPainterPath path;
            QPointF emCentre;
        };
        thread_local QHash<char32_t, Outline> outlines;
        const char32_t cp = g->codepoint;
        auto it = outlines.constFind(cp);
        if (it == outlines.cend()) {
            Outline o;
            // The glyph's pen position at the origin, on the baseline.
            const QList<quint32> index = face->glyphIndexesForString(QString::fromUcs4(&cp, 1));
            if (index.size() == 1) o.path = face->pathForGlyph(index.first());
            o.emCentre = QPointF(kOutlineSize / 2, -face->ascent() + (face->ascent() + face->descent()) / 2);
            it = outlines.insert(cp, o);
        }
        QPainterPath path = it->path;
        const QPointF emCentre = it->emCentre;
        const qreal scale = rect.height() * kEmPerInk / kOutlineSize;
        QTransform place;
        place.translate(rect.center().x(), rect.center().y());
        place.scale(scale, scale);
        place.translate(-emCentre.x(), -emCentre.y());
        path = place.map(path);
        if (g->directional && painter.layoutDirection() == Qt::RightToLeft) {
            QTransform flip;
            flip.translate(rect.center().x(), 0);
            flip.scale(-1, 1);
            flip.translate(-rect.center().x(), 0);
            path = flip.map(path);
        }
        painter.fillPath(path, brush);
    }
    painter.restore();
}

}  // namespace Symbols
