#include "reports/PdfCanvas.h"

#include <QMutex>
#include <QPaintEngine>
#include <QSet>
#include <QThreadPool>
#include <QtEndian>

#include <fontconfig/fontconfig.h>
#include <hb-subset.h>
#include <hb.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// Numbers as PDF wants them: no exponent, at most three decimals, no trailing zeros.
void num(QByteArray& out, double v)
{
    if (!std::isfinite(v)) v = 0;
    long long scaled = std::llround(v * 1000);
    if (scaled < 0) {
        out += '-';
        scaled = -scaled;
    }
    char buf[32];
    int n = 0;
    long long whole = scaled / 1000;
    int frac = int(scaled % 1000);
    char digits[24];
    int d = 0;
    do {
        digits[d++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    while (d > 0) buf[n++] = digits[--d];
    if (frac) {
        buf[n++] = '.';
        buf[n++] = char('0' + frac / 100);
        if (frac % 100) {
            buf[n++] = char('0' + frac / 10 % 10);
            if (frac % 10) buf[n++] = char('0' + frac % 10);
        }
    }
    out.append(buf, n);
}

void num(QByteArray& out, double v, char after)
{
    num(out, v);
    out += after;
}

void hex4(QByteArray& out, unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    const char s[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15], digits[v & 15]};
    out.append(s, 4);
}

QByteArray utf16Hex(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() * 4);
    for (QChar c : text) hex4(out, c.unicode());
    return out;
}

// One compressor per thread, reset between streams: setting one up allocates and clears
// a few hundred kilobytes, which for every stream of a document costs more than the work.
QByteArray deflate(const QByteArray& data)
{
    struct Compressor {
        z_stream z{};
        bool ready = false;
        // The fastest level: the streams are small, and most of a font is already dense.
        Compressor() { ready = deflateInit(&z, Z_BEST_SPEED) == Z_OK; }
        ~Compressor()
        {
            if (ready) deflateEnd(&z);
        }
    };
    thread_local Compressor c;
    if (!c.ready || deflateReset(&c.z) != Z_OK) return {};
    QByteArray out(qsizetype(deflateBound(&c.z, uLong(data.size()))), Qt::Uninitialized);
    c.z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    c.z.avail_in = uInt(data.size());
    c.z.next_out = reinterpret_cast<Bytef*>(out.data());
    c.z.avail_out = uInt(out.size());
    if (::deflate(&c.z, Z_FINISH) != Z_STREAM_END) return {};
    out.resize(qsizetype(c.z.total_out));
    return out;
}

quint16 be16(const char* p) { return qFromBigEndian<quint16>(p); }

// --- Faces ------------------------------------------------------------------------------

// What embedding needs of one face, taken once per process: the tables a PDF reader uses
// (no layout tables, no hinting), the advances and the face's names and metrics.
struct Face {
    hb_face_t* face = nullptr;  // a face built from just those tables
    hb_font_t* font = nullptr;  // for advances in font units
    QByteArray postScriptName;
    bool cff = false;
    unsigned upem = 1000;
    int bbox[4] = {0, 0, 1000, 1000};
    int ascent = 800, descent = -200, capHeight = 700;
    bool italic = false;
    qsizetype bytes = 0;  // copied into memory, rather than mapped
    ~Face()
    {
        hb_font_destroy(font);
        hb_face_destroy(face);
    }
};

// One face however it was asked for: a face matched for a weight it lacks is still that face.
QString faceKey(const QRawFont& font)
{
    return font.familyName() + QChar(0) + font.styleName() + QChar(0) + QString::fromLatin1(font.fontTable("head").toHex());
}

hb_blob_t* blobOf(const QByteArray& bytes)
{
    auto* copy = new QByteArray(bytes);
    return hb_blob_create(copy->constData(), unsigned(copy->size()), HB_MEMORY_MODE_READONLY, copy,
                          [](void* p) { delete static_cast<QByteArray*>(p); });
}

QByteArray tableOf(hb_face_t* face, const char* tag)
{
    hb_blob_t* blob = hb_face_reference_table(face, HB_TAG(tag[0], tag[1], tag[2], tag[3]));
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    QByteArray bytes(data, int(length));
    hb_blob_destroy(blob);
    return bytes;
}

// The face's own file, mapped rather than read: fontconfig names the files of the family
// and style, and the one whose header is the raw font's is it.
hb_face_t* faceFromFile(const QRawFont& raw)
{
    const QByteArray head = raw.fontTable("head");
    if (head.isEmpty()) return nullptr;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(raw.familyName().toUtf8().constData()));
    FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(raw.styleName().toUtf8().constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    hb_face_t* found = nullptr;
    for (int i = 0; fonts && i < fonts->nfont && !found; ++i) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &index);
        hb_blob_t* blob = hb_blob_create_from_file_or_fail(reinterpret_cast<const char*>(file));
        if (!blob) continue;
        hb_face_t* face = hb_face_create(blob, unsigned(index & 0xFFFF));
        hb_blob_destroy(blob);
        if (tableOf(face, "head") == head) found = face;
        else hb_face_destroy(face);
    }
    if (fonts) FcFontSetDestroy(fonts);
    return found;
}

// A face of just the tables a reader needs, copied out of the raw font.
hb_face_t* faceFromTables(const QRawFont& raw)
{
    hb_face_t* builder = hb_face_builder_create();
    static const char* const tags[] = {"head", "hhea", "hmtx", "maxp", "OS/2", "post", "name", "glyf", "loca", "CFF "};
    for (const char* tag : tags) {
        const QByteArray table = raw.fontTable(tag);
        if (table.isEmpty()) continue;
        hb_blob_t* blob = blobOf(table);
        hb_face_builder_add_table(builder, HB_TAG(tag[0], tag[1], tag[2], tag[3]), blob);
        hb_blob_destroy(blob);
    }
    hb_blob_t* whole = hb_face_reference_blob(builder);
    hb_face_destroy(builder);
    hb_face_t* face = hb_face_create(whole, 0);
    hb_blob_destroy(whole);
    return face;
}

std::shared_ptr<Face> loadFace(const QRawFont& raw)
{
    auto face = std::make_shared<Face>();
    face->face = faceFromFile(raw);
    if (!face->face) {
        face->face = faceFromTables(raw);
        hb_blob_t* blob = hb_face_reference_blob(face->face);
        face->bytes = hb_blob_get_length(blob);
        hb_blob_destroy(blob);
    }
    const QByteArray head = tableOf(face->face, "head"), hhea = tableOf(face->face, "hhea"), os2 = tableOf(face->face, "OS/2");
    hb_blob_t* cff = hb_face_reference_table(face->face, HB_TAG('C', 'F', 'F', ' '));
    face->cff = hb_blob_get_length(cff) > 0;
    hb_blob_destroy(cff);
    if (head.size() >= 54) {
        face->upem = std::max<unsigned>(16, be16(head.constData() + 18));
        for (int i = 0; i < 4; ++i) face->bbox[i] = qint16(be16(head.constData() + 36 + 2 * i));
        face->italic = be16(head.constData() + 44) & 2;
    }
    if (hhea.size() >= 8) {
        face->ascent = qint16(be16(hhea.constData() + 4));
        face->descent = qint16(be16(hhea.constData() + 6));
    }
    if (os2.size() >= 90) face->capHeight = qint16(be16(os2.constData() + 88));
    face->font = hb_font_create(face->face);
    hb_font_set_scale(face->font, int(face->upem), int(face->upem));
    char name[128];
    unsigned size = sizeof(name);
    if (hb_ot_name_get_utf8(face->face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name) > 0)
        face->postScriptName = QByteArray(name, int(size));
    // PostScript names are printable ASCII without delimiters; keep only those.
    QByteArray clean;
    for (char c : face->postScriptName)
        if (c > 32 && c < 127 && !std::strchr("()<>[]{}/%#", c)) clean += c;
    if (clean.isEmpty())
        for (QChar c : raw.familyName() + '-' + raw.styleName())
            if (c.unicode() > 32 && c.unicode() < 127 && !std::strchr("()<>[]{}/%# ", char(c.unicode()))) clean += char(c.unicode());
    face->postScriptName = clean.isEmpty() ? QByteArray("Font") : clean;
    if (face->capHeight <= 0) face->capHeight = face->ascent;
    return face;
}

// Faces stay loaded for the process (a mapped file costs only the pages read), but one
// copied out of the raw font and large (a CJK face's outlines run to many megabytes) only
// for the document that used it.
constexpr qsizetype kKeptFaceBytes = 2 * 1024 * 1024;

QMutex& faceMutex()
{
    static QMutex m;
    return m;
}

QHash<QString, std::shared_ptr<Face>>& faceCache()
{
    static QHash<QString, std::shared_ptr<Face>> cache;
    return cache;
}

std::shared_ptr<Face> faceFor(const QRawFont& raw, const QString& key)
{
    {
        QMutexLocker lock(&faceMutex());
        if (auto it = faceCache().constFind(key); it != faceCache().constEnd()) return *it;
    }
    std::shared_ptr<Face> face = loadFace(raw);
    if (face->bytes <= kKeptFaceBytes) {
        QMutexLocker lock(&faceMutex());
        faceCache().insert(key, face);
    }
    return face;
}

bool keptTable(hb_tag_t tag)
{
    static const hb_tag_t kept[] = {HB_TAG('h', 'e', 'a', 'd'), HB_TAG('h', 'h', 'e', 'a'), HB_TAG('h', 'm', 't', 'x'),
                                    HB_TAG('m', 'a', 'x', 'p'), HB_TAG('O', 'S', '/', '2'), HB_TAG('p', 'o', 's', 't'),
                                    HB_TAG('n', 'a', 'm', 'e'), HB_TAG('g', 'l', 'y', 'f'), HB_TAG('l', 'o', 'c', 'a'),
                                    HB_TAG('C', 'F', 'F', ' ')};
    return std::find(std::begin(kept), std::end(kept), tag) != std::end(kept);
}

// --- CFF charsets -----------------------------------------------------------------------

// Reads a CFF INDEX at `at`; gives the offsets of its entries' data (count + 1 of them,
// relative to the start of the table) and moves `at` past it.
bool readIndex(const QByteArray& cff, qsizetype& at, QList<qsizetype>* entries)
{
    if (at + 2 > cff.size()) return false;
    const int count = be16(cff.constData() + at);
    if (count == 0) {
        at += 2;
        return true;
    }
    if (at + 3 > cff.size()) return false;
    const int offSize = quint8(cff[at + 2]);
    if (offSize < 1 || offSize > 4) return false;
    const qsizetype offsets = at + 3;
    const qsizetype data = offsets + qsizetype(count + 1) * offSize - 1;
    if (data >= cff.size()) return false;
    auto offset = [&](int i) {
        qsizetype v = 0;
        for (int b = 0; b < offSize; ++b) v = v << 8 | quint8(cff[offsets + qsizetype(i) * offSize + b]);
        return v;
    };
    if (entries) {
        entries->clear();
        for (int i = 0; i <= count; ++i) entries->append(data + offset(i));
    }
    at = data + offset(count);
    return at <= cff.size();
}

// The glyph-to-CID map of a CID-keyed CFF table; empty when the table names glyphs
// rather than CIDs, or cannot be read.
QHash<quint32, quint32> cidsOf(const QByteArray& cff)
{
    QHash<quint32, quint32> cids;
    if (cff.size() < 4) return cids;
    qsizetype at = quint8(cff[2]);
    QList<qsizetype> top;
    if (!readIndex(cff, at, nullptr) || !readIndex(cff, at, &top) || top.size() < 2) return cids;
    // The top dictionary: its ROS (marks a CID-keyed font), charset and CharStrings.
    bool cidKeyed = false;
    qsizetype charset = 0, charStrings = 0;
    QList<double> operands;
    for (qsizetype p = top[0]; p < top[1] && p < cff.size();) {
        const int b0 = quint8(cff[p]);
        if (b0 >= 32 && b0 <= 246) {
            operands << b0 - 139;
            p += 1;
        } else if (b0 >= 247 && b0 <= 250 && p + 1 < cff.size()) {
            operands << (b0 - 247) * 256 + quint8(cff[p + 1]) + 108;
            p += 2;
        } else if (b0 >= 251 && b0 <= 254 && p + 1 < cff.size()) {
            operands << -(b0 - 251) * 256 - quint8(cff[p + 1]) - 108;
            p += 2;
        } else if (b0 == 28 && p + 2 < cff.size()) {
            operands << qint16(be16(cff.constData() + p + 1));
            p += 3;
        } else if (b0 == 29 && p + 4 < cff.size()) {
            operands << qint32(qFromBigEndian<quint32>(cff.constData() + p + 1));
            p += 5;
        } else if (b0 == 30) {
            ++p;
            while (p < cff.size() && (quint8(cff[p]) & 0x0F) != 0x0F && (quint8(cff[p]) >> 4) != 0x0F) ++p;
            ++p;
            operands << 0;
        } else {
            int op = b0;
            if (b0 == 12 && p + 1 < cff.size()) {
                op = 1200 + quint8(cff[p + 1]);
                ++p;
            }
            ++p;
            if (op == 1230) cidKeyed = true;
            if (op == 15 && !operands.isEmpty()) charset = qsizetype(operands.last());
            if (op == 17 && !operands.isEmpty()) charStrings = qsizetype(operands.last());
            operands.clear();
        }
    }
    if (!cidKeyed || charset <= 2 || charStrings <= 0 || charStrings + 2 > cff.size() || charset >= cff.size()) return cids;
    const int glyphs = be16(cff.constData() + charStrings);
    const int format = quint8(cff[charset]);
    qsizetype p = charset + 1;
    quint32 gid = 1;
    cids.insert(0, 0);
    if (format == 0) {
        for (; gid < quint32(glyphs) && p + 2 <= cff.size(); ++gid, p += 2) cids.insert(gid, be16(cff.constData() + p));
    } else if (format == 1 || format == 2) {
        const int leftSize = format == 1 ? 1 : 2;
        while (gid < quint32(glyphs) && p + 2 + leftSize <= cff.size()) {
            const quint32 first = be16(cff.constData() + p);
            const quint32 left = format == 1 ? quint8(cff[p + 2]) : be16(cff.constData() + p + 2);
            p += 2 + leftSize;
            for (quint32 k = 0; k <= left && gid < quint32(glyphs); ++k) cids.insert(gid++, first + k);
        }
    }
    return cids;
}

// Arabic presentation forms by the letters they stand for, for reading shaped glyphs back.
const QList<QPair<char16_t, QString>>& presentationForms()
{
    static const QList<QPair<char16_t, QString>> forms = [] {
        QList<QPair<char16_t, QString>> all;
        for (char16_t c = 0xFB50; c <= 0xFDFF; ++c)
            if (QChar(c).decompositionTag() != QChar::NoDecomposition) all.append({c, QChar(c).decomposition()});
        for (char16_t c = 0xFE70; c <= 0xFEFE; ++c)
            if (QChar(c).decompositionTag() != QChar::NoDecomposition) all.append({c, QChar(c).decomposition()});
        return all;
    }();
    return forms;
}

}  // namespace

// --- Fonts of one document ------------------------------------------------------------

struct PdfCanvas::Font {
    std::shared_ptr<Face> face;
    QRawFont raw;                // for the face's own character map
    QByteArray name;             // resource name
    QHash<quint32, int> widths;  // used glyphs and their advances in 1000ths of the em
    QSet<char32_t> characters;   // what the glyphs were set from
};

// --- Paint engine for the symbols -------------------------------------------------------

class PdfCanvasEngine final : public QPaintEngine {
public:
    explicit PdfCanvasEngine(PdfCanvas* canvas) : QPaintEngine(AllFeatures), canvas_(canvas) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen) pen_ = state.pen();
        if (flags & DirtyBrush) brush_ = state.brush();
        if (flags & DirtyTransform) transform_ = state.transform();
        if (flags & DirtyOpacity) opacity_ = state.opacity();
        if (flags & DirtyClipEnabled) clipEnabled_ = state.isClipEnabled();
        if (flags & DirtyClipPath) setClip(state.clipOperation(), state.clipPath());
        if (flags & DirtyClipRegion) {
            QPainterPath p;
            p.addRegion(state.clipRegion());
            setClip(state.clipOperation(), p);
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        const QPainterPath p = transform_.isIdentity() ? path : transform_.map(path);
        const bool clipped = clipEnabled_ && hasClip_;
        if (clipped) {
            canvas_->save();
            canvas_->clip(clip_);
        }
        if (brush_.style() == Qt::SolidPattern) {
            canvas_->fillPath(p, faded(brush_.color()));
        } else if (brush_.style() == Qt::LinearGradientPattern && brush_.gradient()) {
            const auto* g = static_cast<const QLinearGradient*>(brush_.gradient());
            const QTransform t = brush_.transform() * transform_;
            const QGradientStops stops = g->stops();
            if (!stops.isEmpty())
                canvas_->fillPathWithGradient(p, t.map(g->start()), t.map(g->finalStop()), faded(stops.first().second),
                                              faded(stops.last().second));
        }
        if (pen_.style() != Qt::NoPen && pen_.brush().style() == Qt::SolidPattern) {
            const double width = pen_.widthF() > 0 ? pen_.widthF() * std::sqrt(std::abs(transform_.determinant())) : 1;
            canvas_->strokePath(p, faded(pen_.color()), width, pen_.capStyle(), pen_.joinStyle(), pen_.miterLimit());
        }
        if (clipped) canvas_->restore();
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 2) return;
        QPainterPath path;
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        path.moveTo(points[0]);
        for (int i = 1; i < count; ++i) path.lineTo(points[i]);
        if (mode != PolylineMode) {
            path.closeSubpath();
            drawPath(path);
            return;
        }
        const QBrush brush = brush_;
        brush_ = Qt::NoBrush;
        drawPath(path);
        brush_ = brush;
    }

private:
    QColor faded(QColor c) const
    {
        if (opacity_ < 1) c.setAlphaF(float(c.alphaF() * opacity_));
        return c;
    }
    void setClip(Qt::ClipOperation op, const QPainterPath& path)
    {
        if (op == Qt::NoClip) {
            hasClip_ = false;
            clip_ = {};
            return;
        }
        const QPainterPath mapped = transform_.map(path);
        clip_ = op == Qt::IntersectClip && hasClip_ ? clip_.intersected(mapped) : mapped;
        hasClip_ = true;
    }

    PdfCanvas* canvas_;
    QPen pen_;
    QBrush brush_;
    QTransform transform_;
    double opacity_ = 1;
    bool clipEnabled_ = false;
    bool hasClip_ = false;
    QPainterPath clip_;
};

// --- The canvas -----------------------------------------------------------------------

PdfCanvas::PdfCanvas(QSizeF pageSize) : pageSize_(pageSize), engine_(std::make_unique<PdfCanvasEngine>(this)) {}

PdfCanvas::~PdfCanvas() = default;

QPaintEngine* PdfCanvas::paintEngine() const { return engine_.get(); }

int PdfCanvas::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
    case PdmWidthMM: return metric == PdmWidth ? int(pageSize_.width()) : int(pageSize_.width() * 25.4 / 72);
    case PdmHeight:
    case PdmHeightMM: return metric == PdmHeight ? int(pageSize_.height()) : int(pageSize_.height() * 25.4 / 72);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY: return 72;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return int(QPaintDevice::devicePixelRatioFScale());
    }
    return 0;
}

void PdfCanvas::newPage()
{
    Page page;
    // Top-left origin, y down, as the layout measures.
    page.content = "1 0 0 -1 0 " + QByteArray::number(qRound(pageSize_.height()));
    page.content += " cm\n";
    pages_.append(std::move(page));
    depth_ = 0;
}

QByteArray& PdfCanvas::out()
{
    if (pages_.isEmpty()) newPage();
    return pages_.last().content;
}

void PdfCanvas::appendPath(const QPainterPath& path)
{
    QByteArray& o = out();
    QPointF start;
    QPointF last;
    bool open = false;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (open && last == start) o += "h\n";
            num(o, e.x, ' ');
            num(o, e.y, ' ');
            o += "m\n";
            start = last = QPointF(e.x, e.y);
            open = true;
            break;
        case QPainterPath::LineToElement:
            num(o, e.x, ' ');
            num(o, e.y, ' ');
            o += "l\n";
            last = QPointF(e.x, e.y);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < path.elementCount()) {
                const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
                num(o, e.x, ' ');
                num(o, e.y, ' ');
                num(o, c2.x, ' ');
                num(o, c2.y, ' ');
                num(o, end.x, ' ');
                num(o, end.y, ' ');
                o += "c\n";
                last = QPointF(end.x, end.y);
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement: break;
        }
    }
    if (open && last == start) o += "h\n";
}

QByteArray PdfCanvas::alphaState(double fill, double stroke)
{
    QByteArray entry = "/ca ";
    num(entry, fill);
    entry += " /CA ";
    num(entry, stroke);
    qsizetype index = alphaStates_.indexOf(entry);
    if (index < 0) {
        index = alphaStates_.size();
        alphaStates_.append(entry);
    }
    return "/A" + QByteArray::number(index) + " gs\n";
}

void PdfCanvas::setFill(const QColor& color)
{
    QByteArray& o = out();
    num(o, color.redF(), ' ');
    num(o, color.greenF(), ' ');
    num(o, color.blueF(), ' ');
    o += "rg\n";
}

void PdfCanvas::fillPath(const QPainterPath& path, const QColor& color)
{
    if (path.isEmpty() || color.alpha() == 0) return;
    QByteArray& o = out();
    const bool translucent = color.alpha() < 255;
    if (translucent) o += "q\n" + alphaState(color.alphaF(), 1);
    setFill(color);
    appendPath(path);
    o += path.fillRule() == Qt::OddEvenFill ? "f*\n" : "f\n";
    if (translucent) o += "Q\n";
}

void PdfCanvas::strokePath(const QPainterPath& path, const QColor& color, double width, Qt::PenCapStyle cap,
                           Qt::PenJoinStyle join, double miterLimit)
{
    if (path.isEmpty() || color.alpha() == 0) return;
    QByteArray& o = out();
    o += "q\n";
    if (color.alpha() < 255) o += alphaState(1, color.alphaF());
    num(o, color.redF(), ' ');
    num(o, color.greenF(), ' ');
    num(o, color.blueF(), ' ');
    o += "RG\n";
    num(o, width, ' ');
    o += "w ";
    o += cap == Qt::FlatCap ? "0 J " : cap == Qt::RoundCap ? "1 J " : "2 J ";
    o += join == Qt::RoundJoin ? "1 j" : join == Qt::BevelJoin ? "2 j" : "0 j ";
    if (join == Qt::MiterJoin || join == Qt::SvgMiterJoin) {
        num(o, std::max(1.0, miterLimit), ' ');
        o += "M";
    }
    o += '\n';
    appendPath(path);
    o += "S\nQ\n";
}

void PdfCanvas::fillPathWithGradient(const QPainterPath& path, QPointF start, QPointF end, const QColor& from, const QColor& to)
{
    if (path.isEmpty()) return;
    QByteArray shading = "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [";
    for (double v : {start.x(), start.y(), end.x(), end.y()}) num(shading, v, ' ');
    shading += "] /Function << /FunctionType 2 /Domain [0 1] /C0 [";
    for (double v : {from.redF(), from.greenF(), from.blueF()}) num(shading, v, ' ');
    shading += "] /C1 [";
    for (double v : {to.redF(), to.greenF(), to.blueF()}) num(shading, v, ' ');
    shading += "] /N 1 >> /Extend [true true] >>";
    const qsizetype index = shadings_.size();
    shadings_.append(shading);
    QByteArray& o = out();
    o += "q\n";
    // A gradient between translucent stops: the reader blends with their mean alpha.
    const double alpha = (from.alphaF() + to.alphaF()) / 2;
    if (alpha < 1) o += alphaState(alpha, 1);
    appendPath(path);
    o += path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
    o += "/Sh" + QByteArray::number(index) + " sh\nQ\n";
}

void PdfCanvas::save()
{
    out() += "q\n";
    ++depth_;
}

void PdfCanvas::restore()
{
    if (depth_ <= 0) return;
    out() += "Q\n";
    --depth_;
}

void PdfCanvas::clip(const QPainterPath& path)
{
    appendPath(path);
    out() += path.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
}

PdfCanvas::Font& PdfCanvas::fontFor(const QRawFont& raw)
{
    // The same raw font comes back run after run; telling faces apart is dearer.
    for (const auto& [known, index] : std::as_const(rawFonts_))
        if (known == raw) return *fonts_[index];
    const QString key = faceKey(raw);
    int index = fontIndex_.value(key, -1);
    if (index < 0) {
        auto font = std::make_shared<Font>();
        font->face = faceFor(raw, key);
        font->raw = raw;
        font->name = "/F" + QByteArray::number(fonts_.size());
        index = int(fonts_.size());
        fontIndex_.insert(key, index);
        fonts_.append(font);
    }
    rawFonts_.append({raw, index});
    return *fonts_[index];
}

void PdfCanvas::beginActualText(const QString& text)
{
    out() += "/Span << /ActualText <FEFF" + utf16Hex(text) + "> >> BDC\n";
}

void PdfCanvas::endActualText() { out() += "EMC\n"; }

void PdfCanvas::drawGlyphs(const GlyphRun& run, QPointF origin, const QColor& color, const QString& text)
{
    if (run.count <= 0 || !run.font.isValid() || color.alpha() == 0) return;
    Font& font = fontFor(run.font);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        font.characters.insert(c);
    }
    const double size = run.size > 0 ? run.size : run.font.pixelSize();
    const double scale = 1000.0 / font.face->upem;
    QByteArray& o = out();
    const bool translucent = color.alpha() < 255;
    if (translucent) o += "q\n" + alphaState(color.alphaF(), 1);
    setFill(color);
    o += "BT\n" + font.name + ' ';
    num(o, size, ' ');
    o += "Tf\n";
    double penX = 0, lineY = 0;
    bool inArray = false;
    for (qsizetype i = 0; i < run.count; ++i) {
        const quint32 glyph = run.glyphs[i];
        auto w = font.widths.constFind(glyph);
        if (w == font.widths.constEnd())
            w = font.widths.insert(glyph, int(std::lround(hb_font_get_glyph_h_advance(font.face->font, glyph) * scale)));
        const QPointF at = origin + run.positions[i];
        if (i == 0 || std::abs(at.y() - lineY) > 1e-3) {
            if (inArray) o += "] TJ\n";
            o += "1 0 0 -1 ";
            num(o, at.x(), ' ');
            num(o, at.y(), ' ');
            o += "Tm\n[";
            inArray = true;
            penX = at.x();
            lineY = at.y();
        } else {
            // How far the glyph stands from where the reader's pen is, in thousandths of the em.
            const double adjust = std::round((penX - at.x()) * 1000 / size * 100) / 100;
            if (std::abs(adjust) >= 0.01) {
                num(o, adjust, ' ');
                penX -= adjust * size / 1000;
            }
        }
        o += '<';
        hex4(o, glyph);
        o += '>';
        penX += *w * size / 1000;
    }
    if (inArray) o += "] TJ\n";
    o += "ET\n";
    if (translucent) o += "Q\n";
}

namespace {
struct Subset {
    QByteArray file, cff, deflated;
};

// The face cut down to `glyphs` (kept at their ids), and, for a CFF face, its CFF table.
Subset subsetOf(const Face& face, const QList<quint32>& glyphs)
{
    Subset out;
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    hb_face_t* subset = nullptr;
    if (input) {
        hb_set_t* set = hb_subset_input_glyph_set(input);
        hb_set_add(set, 0);
        for (quint32 g : glyphs) hb_set_add(set, g);
        hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS | HB_SUBSET_FLAGS_NO_HINTING);
        // Only what a reader draws with: no layout, no character map (the pages name glyphs).
        hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
        hb_tag_t tags[64];
        for (unsigned offset = 0;;) {
            unsigned count = 64;
            hb_face_get_table_tags(face.face, offset, &count, tags);
            for (unsigned t = 0; t < count; ++t)
                if (!keptTable(tags[t])) hb_set_add(drop, tags[t]);
            if (count < 64) break;
            offset += count;
        }
        subset = hb_subset_or_fail(face.face, input);
        hb_subset_input_destroy(input);
    }
    if (subset) {
        hb_blob_t* blob = hb_face_reference_blob(subset);
        unsigned length = 0;
        const char* data = hb_blob_get_data(blob, &length);
        out.file = QByteArray(data, int(length));
        hb_blob_destroy(blob);
        if (face.cff) {
            hb_blob_t* table = hb_face_reference_table(subset, HB_TAG('C', 'F', 'F', ' '));
            data = hb_blob_get_data(table, &length);
            out.cff = QByteArray(data, int(length));
            hb_blob_destroy(table);
        }
        hb_face_destroy(subset);
    }
    out.deflated = deflate(out.file);
    return out;
}

}  // namespace

QByteArray PdfCanvas::finish(const PdfDocumentInfo::Info& info)
{
    if (pages_.isEmpty()) newPage();
    QByteArray pdf;
    pdf.reserve(256 * 1024);
    pdf += "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets = {0};  // object 0 is the free head
    auto begin = [&](int object) {
        while (offsets.size() <= object) offsets.append(0);
        offsets[object] = pdf.size();
        pdf += QByteArray::number(object) + " 0 obj\n";
    };
    int next = 1;
    const int catalog = next++, pagesObject = next++, resources = next++, infoObject = next++;
    // `compressed`: the data deflated already.
    auto stream = [&](int object, const QByteArray& dictionary, const QByteArray& data, bool compress,
                      const QByteArray* compressed = nullptr) {
        begin(object);
        const QByteArray body = !compress ? data : compressed ? *compressed : deflate(data);
        const bool deflated = compress && !body.isEmpty();
        pdf += "<< " + dictionary + " /Length " + QByteArray::number(deflated ? body.size() : data.size());
        if (deflated) pdf += " /Filter /FlateDecode";
        pdf += " >>\nstream\n";
        pdf += deflated ? body : data;
        pdf += "\nendstream\nendobj\n";
    };

    // Cutting each face down and compressing it is most of the writing, and needs nothing of
    // the pages: two helper threads cut faces while this one writes the pages, then this one
    // joins in. Each takes the next face not yet taken.
    // Plain vectors: the threads write their own elements, and nothing detaches.
    std::vector<QList<quint32>> glyphSets;
    for (const std::shared_ptr<Font>& font : std::as_const(fonts_)) {
        QList<quint32> glyphs = font->widths.keys();
        std::sort(glyphs.begin(), glyphs.end());
        glyphSets.push_back(glyphs);
    }
    std::vector<Subset> subsets(size_t(fonts_.size()));
    std::vector<const Face*> faces;
    for (const std::shared_ptr<Font>& font : std::as_const(fonts_)) faces.push_back(font->face.get());
    std::atomic<size_t> nextFace = 0;
    const auto cut = [&glyphSets, &subsets, &faces, &nextFace] {
        for (size_t i = nextFace++; i < faces.size(); i = nextFace++) subsets[i] = subsetOf(*faces[i], glyphSets[i]);
    };
    // The helpers are the shared pool's; where it has no thread free, this one cuts them all.
    struct Helpers {
        std::mutex lock;
        std::condition_variable done;
        int running = 0;
    } helpers;
    for (qsizetype h = 0; h < std::min<qsizetype>(2, fonts_.size() - 1); ++h) {
        {
            std::lock_guard hold(helpers.lock);
            ++helpers.running;
        }
        const bool started = QThreadPool::globalInstance()->tryStart([&helpers, &cut] {
            cut();
            std::lock_guard hold(helpers.lock);
            --helpers.running;
            helpers.done.notify_all();
        });
        if (started) continue;
        std::lock_guard hold(helpers.lock);
        --helpers.running;
        break;
    }

    // Pages.
    QByteArray kids;
    // The media box in whole points, as paper sizes are named (A4 is 595 × 842).
    const QByteArray size = "[0 0 " + QByteArray::number(qRound(pageSize_.width())) + ' '
                            + QByteArray::number(qRound(pageSize_.height())) + "]";
    for (Page& page : pages_) {
        const int pageObject = next++, content = next++;
        kids += QByteArray::number(pageObject) + " 0 R ";
        begin(pageObject);
        pdf += "<< /Type /Page /Parent " + QByteArray::number(pagesObject) + " 0 R /MediaBox " + size + " /Resources "
               + QByteArray::number(resources) + " 0 R /Contents " + QByteArray::number(content) + " 0 R >>\nendobj\n";
        stream(content, {}, page.content, true);
        page.content.clear();
    }
    begin(pagesObject);
    pdf += "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages_.size()) + " >>\nendobj\n";

    // Fonts: a Type 0 font over a CID font of the subset, with its widths and text.
    QByteArray fontResources;
    cut();
    {
        std::unique_lock hold(helpers.lock);
        helpers.done.wait(hold, [&helpers] { return helpers.running == 0; });
    }
    for (qsizetype f = 0; f < fonts_.size(); ++f) {
        const std::shared_ptr<Font>& font = std::as_const(fonts_)[f];
        const Face& face = *font->face;
        const QList<quint32>& glyphs = glyphSets[size_t(f)];
        const QByteArray& fontFile = subsets[size_t(f)].file;
        const QByteArray& cffTable = subsets[size_t(f)].cff;
        // Codes in the pages are glyph ids; a CID-keyed CFF face is reached through its CIDs.
        const QHash<quint32, quint32> cids = face.cff ? cidsOf(cffTable) : QHash<quint32, quint32>();
        const auto cidOf = [&](quint32 g) { return cids.isEmpty() ? g : cids.value(g, 0); };
        bool identity = true;
        for (quint32 g : glyphs) identity = identity && cidOf(g) == g;

        // A subset tag from what the subset holds.
        quint32 hash = 2166136261u;
        for (quint32 g : glyphs) hash = (hash ^ g) * 16777619u;
        for (char c : face.postScriptName) hash = (hash ^ quint8(c)) * 16777619u;
        QByteArray tag;
        for (int i = 0; i < 6; ++i, hash /= 26) tag += char('A' + hash % 26);
        const QByteArray baseName = tag + '+' + face.postScriptName;

        // Reading the glyphs back: each glyph is the first character (in code order) of the
        // text set in this face whose nominal glyph it is; shaped Arabic letters are read
        // through the presentation forms that name them.
        QHash<quint32, QString> text;
        QList<char32_t> characters(font->characters.begin(), font->characters.end());
        std::sort(characters.begin(), characters.end());
        bool arabic = false;
        const auto read = [&](char32_t c, const QString& as) {
            QChar units[2];
            int n = 0;
            if (QChar::requiresSurrogates(c)) {
                units[n++] = QChar(QChar::highSurrogate(c));
                units[n++] = QChar(QChar::lowSurrogate(c));
            } else {
                units[n++] = QChar(char16_t(c));
            }
            quint32 g[2] = {0, 0};
            int count = 2;
            if (!font->raw.glyphIndexesForChars(units, n, g, &count) || count < 1 || g[0] == 0) return;
            if (font->widths.contains(g[0]) && !text.contains(g[0])) text.insert(g[0], as);
        };
        for (char32_t c : characters) {
            if (c >= 0x0600 && c <= 0x06FF) arabic = true;
            read(c, QString::fromUcs4(&c, 1));
            const char32_t mirrored = QChar::mirroredChar(c);
            if (mirrored != c) read(mirrored, QString::fromUcs4(&mirrored, 1));
        }
        if (arabic)
            for (const auto& [form, letters] : presentationForms()) {
                bool known = true;
                for (QChar l : letters) known = known && font->characters.contains(l.unicode());
                if (known) read(form, letters);
            }

        const int type0 = next++, descendant = next++, descriptor = next++, file = next++, toUnicode = next++;
        const int encoding = identity ? 0 : next++;
        begin(type0);
        pdf += "<< /Type /Font /Subtype /Type0 /BaseFont /" + baseName + " /Encoding "
               + (identity ? QByteArray("/Identity-H") : QByteArray::number(encoding) + " 0 R") + " /DescendantFonts ["
               + QByteArray::number(descendant) + " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n";
        QByteArray widths;
        {
            QList<QPair<quint32, int>> byCid;
            for (quint32 g : glyphs) byCid.append({cidOf(g), font->widths.value(g)});
            std::sort(byCid.begin(), byCid.end());
            for (qsizetype i = 0; i < byCid.size();) {
                qsizetype end = i + 1;
                while (end < byCid.size() && byCid[end].first == byCid[end - 1].first + 1) ++end;
                widths += QByteArray::number(byCid[i].first) + " [";
                for (qsizetype k = i; k < end; ++k) widths += QByteArray::number(byCid[k].second) + ' ';
                widths += "] ";
                i = end;
            }
        }
        begin(descendant);
        pdf += "<< /Type /Font /Subtype " + QByteArray(face.cff ? "/CIDFontType0" : "/CIDFontType2") + " /BaseFont /" + baseName
               + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor "
               + QByteArray::number(descriptor) + " 0 R /DW 0 /W [" + widths + "]"
               + (face.cff ? QByteArray() : QByteArray(" /CIDToGIDMap /Identity")) + " >>\nendobj\n";
        const double s = 1000.0 / face.upem;
        QByteArray d = "<< /Type /FontDescriptor /FontName /" + baseName + " /Flags " + QByteArray(face.italic ? "68" : "4")
                       + " /FontBBox [";
        for (int v : face.bbox) num(d, v * s, ' ');
        d += "] /ItalicAngle 0 /Ascent ";
        num(d, face.ascent * s);
        d += " /Descent ";
        num(d, face.descent * s);
        d += " /CapHeight ";
        num(d, face.capHeight * s);
        d += " /StemV 80 ";
        d += face.cff ? "/FontFile3 " : "/FontFile2 ";
        d += QByteArray::number(file) + " 0 R >>\nendobj\n";
        begin(descriptor);
        pdf += d;
        stream(file, face.cff ? "/Subtype /OpenType" : "/Length1 " + QByteArray::number(fontFile.size()), fontFile, true,
               &subsets[size_t(f)].deflated);

        QByteArray cmap =
            "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << /Registry (Adobe) /Ordering "
            "(UCS) /Supplement 0 >> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n<0000> "
            "<FFFF>\nendcodespacerange\n";
        QList<quint32> mapped = text.keys();
        std::sort(mapped.begin(), mapped.end());
        for (qsizetype i = 0; i < mapped.size(); i += 100) {
            const qsizetype n = std::min<qsizetype>(100, mapped.size() - i);
            cmap += QByteArray::number(n) + " beginbfchar\n";
            for (qsizetype k = i; k < i + n; ++k) {
                cmap += '<';
                hex4(cmap, mapped[k]);
                cmap += "> <" + utf16Hex(text.value(mapped[k])) + ">\n";
            }
            cmap += "endbfchar\n";
        }
        cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        stream(toUnicode, {}, cmap, true);
        if (!identity) {
            QByteArray e = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo << /Registry (Adobe) "
                           "/Ordering (Identity) /Supplement 0 >> def\n/CMapName /Glyphs-H def\n/CMapType 1 def\n1 "
                           "begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
            for (qsizetype i = 0; i < glyphs.size(); i += 100) {
                const qsizetype n = std::min<qsizetype>(100, glyphs.size() - i);
                e += QByteArray::number(n) + " begincidchar\n";
                for (qsizetype k = i; k < i + n; ++k) {
                    e += '<';
                    hex4(e, glyphs[k]);
                    e += "> " + QByteArray::number(cidOf(glyphs[k])) + '\n';
                }
                e += "endcidchar\n";
            }
            e += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
            stream(encoding, "/Type /CMap /CMapName /Glyphs-H /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
                             "/Supplement 0 >>",
                   e, true);
        }
        fontResources += font->name + ' ' + QByteArray::number(type0) + " 0 R ";
    }
    fonts_.clear();
    fontIndex_.clear();
    rawFonts_.clear();

    begin(resources);
    pdf += "<< /ProcSet [/PDF /Text] /Font << " + fontResources + ">> /ExtGState << ";
    for (qsizetype i = 0; i < alphaStates_.size(); ++i) pdf += "/A" + QByteArray::number(i) + " << " + alphaStates_[i] + " >> ";
    pdf += ">> /Shading << ";
    for (qsizetype i = 0; i < shadings_.size(); ++i) pdf += "/Sh" + QByteArray::number(i) + ' ' + shadings_[i] + ' ';
    pdf += ">> >>\nendobj\n";

    begin(infoObject);
    pdf += PdfDocumentInfo::dictionary(info) + "\nendobj\n";
    begin(catalog);
    pdf += "<< /Type /Catalog /Pages " + QByteArray::number(pagesObject) + " 0 R >>\nendobj\n";

    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size()) + "\n0000000000 65535 f \n";
    for (qsizetype i = 1; i < offsets.size(); ++i) pdf += QByteArray::number(qint64(offsets[i])).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size()) + " /Root " + QByteArray::number(catalog) + " 0 R /Info "
           + QByteArray::number(infoObject) + " 0 R >>\nstartxref\n" + QByteArray::number(qint64(xref)) + "\n%%EOF\n";
    pages_.clear();
    return pdf;
}
