#include "ui/FontMatches.h"

#include <QByteArray>

#include <fontconfig/fontconfig.h>

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <string>
#include <vector>

namespace {

using MatchFn = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);
using SubstituteFn = FcBool (*)(FcConfig*, FcPattern*, FcMatchKind);

// The definitions below stand in for fontconfig's in this process; the library's own are the
// next ones of those names.
MatchFn fontconfigMatch()
{
    static const auto next = reinterpret_cast<MatchFn>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return next;
}

SubstituteFn fontconfigSubstitute()
{
    static const auto next = reinterpret_cast<SubstituteFn>(dlsym(RTLD_NEXT, "FcConfigSubstitute"));
    return next;
}

// What an answer depends on besides the request: the configuration, its installed faces and the
// application's own (Qt adds those to the configuration's application set).
struct Generation {
    FcConfig* config = nullptr;
    FcFontSet* system = nullptr;
    int applicationFaces = 0;
    bool operator==(const Generation&) const = default;
};

Generation generationOf(FcConfig* config)
{
    Generation g;
    g.config = config ? config : FcConfigGetCurrent();
    g.system = FcConfigGetFonts(g.config, FcSetSystem);
    const FcFontSet* application = FcConfigGetFonts(g.config, FcSetApplication);
    g.applicationFaces = application ? application->nfont : 0;
    return g;
}

// The same values and the same binding of each: what the configuration's rules and the
// matching look at. (FcPatternEqual compares the values only.)
bool identical(const FcPattern* a, const FcPattern* b)
{
    if (!FcPatternEqual(a, b)) return false;
    FcPatternIter ia;
    FcPatternIterStart(a, &ia);
    if (!FcPatternIterIsValid(a, &ia)) return true;
    do {
        FcPatternIter ib;
        if (!FcPatternFindIter(b, &ib, FcPatternIterGetObject(a, &ia))) return false;
        const int n = FcPatternIterValueCount(a, &ia);
        if (n != FcPatternIterValueCount(b, &ib)) return false;
        for (int i = 0; i < n; ++i) {
            FcValue va, vb;
            FcValueBinding ba, bb;
            if (FcPatternIterGetValue(a, &ia, i, &va, &ba) != FcResultMatch || FcPatternIterGetValue(b, &ib, i, &vb, &bb) != FcResultMatch
                || ba != bb || !FcValueEqual(va, vb))
                return false;
        }
    } while (FcPatternIterNext(a, &ia));
    return true;
}

// Only values bound strongly or weakly can be written back as they are.
bool rewritable(const FcPattern* p)
{
    FcPatternIter it;
    FcPatternIterStart(p, &it);
    if (!FcPatternIterIsValid(p, &it)) return true;
    do {
        for (int i = 0, n = FcPatternIterValueCount(p, &it); i < n; ++i) {
            FcValue v;
            FcValueBinding b;
            if (FcPatternIterGetValue(p, &it, i, &v, &b) != FcResultMatch || b == FcValueBindingSame) return false;
        }
    } while (FcPatternIterNext(p, &it));
    return true;
}

std::vector<std::string> objectsOf(const FcPattern* p)
{
    std::vector<std::string> objects;
    FcPatternIter it;
    FcPatternIterStart(p, &it);
    if (FcPatternIterIsValid(p, &it)) do
            objects.emplace_back(FcPatternIterGetObject(p, &it));
        while (FcPatternIterNext(p, &it));
    return objects;
}

// Makes `p` hold what `from` holds, bindings and order of values included.
void assign(FcPattern* p, const FcPattern* from)
{
    for (const std::string& object : objectsOf(p)) FcPatternDel(p, object.c_str());
    FcPatternIter it;
    FcPatternIterStart(from, &it);
    if (!FcPatternIterIsValid(from, &it)) return;
    do {
        const char* object = FcPatternIterGetObject(from, &it);
        for (int i = 0, n = FcPatternIterValueCount(from, &it); i < n; ++i) {
            FcValue v;
            FcValueBinding b;
            if (FcPatternIterGetValue(from, &it, i, &v, &b) != FcResultMatch) continue;
            if (b == FcValueBindingWeak)
                FcPatternAddWeak(p, object, v, FcTrue);
            else
                FcPatternAdd(p, object, v, FcTrue);
        }
    } while (FcPatternIterNext(from, &it));
}

// A request and fontconfig's answer to it: for a match, the matched face; for a substitution,
// the request as the configuration's rules leave it.
struct Kept {
    FcPattern* request;
    FcChar32 hash;
    Generation generation;
    FcPattern* answer;
    FcResult result;
};

class Table {
public:
    // The kept entry for `request`, taken out of the table, if any.
    bool take(FcConfig* config, const FcPattern* request, Kept& out)
    {
        if (count_.load(std::memory_order_acquire) == 0) return false;
        const FcChar32 hash = FcPatternHash(request);
        const Generation now = generationOf(config);
        std::lock_guard hold(lock_);
        bool found = false;
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->generation != now) {
                destroy(*it);
                it = entries_.erase(it);
            } else if (!found && it->hash == hash && identical(it->request, request)) {
                out = *it;
                found = true;
                it = entries_.erase(it);
            } else {
                ++it;
            }
        }
        count_.store(int(entries_.size()), std::memory_order_release);
        return found;
    }
    bool holds(const FcPattern* request)
    {
        const FcChar32 hash = FcPatternHash(request);
        std::lock_guard hold(lock_);
        for (const Kept& k : entries_)
            if (k.hash == hash && identical(k.request, request)) return true;
        return false;
    }
    // Takes ownership of both patterns.
    void keep(FcPattern* request, const Generation& generation, FcPattern* answer, FcResult result)
    {
        std::lock_guard hold(lock_);
        entries_.push_back({request, FcPatternHash(request), generation, answer, result});
        count_.store(int(entries_.size()), std::memory_order_release);
    }
    int count() const { return count_.load(std::memory_order_acquire); }
    void drop()
    {
        std::lock_guard hold(lock_);
        for (Kept& k : entries_) destroy(k);
        entries_.clear();
        count_.store(0, std::memory_order_release);
    }
    static void destroy(Kept& k)
    {
        FcPatternDestroy(k.request);
        if (k.answer) FcPatternDestroy(k.answer);
    }

private:
    std::mutex lock_;
    std::vector<Kept> entries_;
    std::atomic<int> count_{0};
};

// Never destroyed: whatever is left in them at exit stays reachable, and nothing is handed back
// to fontconfig after Qt's font database has let go of its configuration.
Table& matches = *new Table;
Table& substitutions = *new Table;
std::atomic<int> takenCount{0};
std::atomic<int> substitutedCount{0};

// The request a font engine makes for the face in `file`, before the configuration's rules:
// the family, the face's file and index, and the pixel size.
FcPattern* engineRequest(const QByteArray& family, const FcChar8* file, int index, double pixelSize)
{
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddString(p, FC_FILE, file);
    FcPatternAddInteger(p, FC_INDEX, index);
    FcPatternAddDouble(p, FC_PIXEL_SIZE, pixelSize);
    return p;
}

}  // namespace

extern "C" FcPattern* FcFontMatch(FcConfig* config, FcPattern* p, FcResult* result)
{
    Kept kept;
    if (p && matches.take(config, p, kept)) {
        FcPatternDestroy(kept.request);
        if (result) *result = kept.result;
        takenCount.fetch_add(1, std::memory_order_relaxed);
        return kept.answer;
    }
    const MatchFn next = fontconfigMatch();
    if (!next) {
        if (result) *result = FcResultNoMatch;
        return nullptr;
    }
    return next(config, p, result);
}

extern "C" FcBool FcConfigSubstitute(FcConfig* config, FcPattern* p, FcMatchKind kind)
{
    Kept kept;
    if (p && kind == FcMatchPattern && substitutions.take(config, p, kept)) {
        assign(p, kept.answer);
        // Every value goes back with its own binding (an answer bound "same" is never kept), so
        // only a value could come out otherwise. Should one, the request is put back as it came
        // and the configuration asked after all.
        const bool done = FcPatternEqual(p, kept.answer);
        if (!done) assign(p, kept.request);
        Table::destroy(kept);
        if (done) {
            substitutedCount.fetch_add(1, std::memory_order_relaxed);
            return FcTrue;
        }
    }
    const SubstituteFn next = fontconfigSubstitute();
    return next ? next(config, p, kind) : FcFalse;
}

namespace {

// Keeps the configuration's substitution for `request` (a font engine's, before the rules) and
// the match for the substituted request. Takes ownership of `request`.
void keep(FcPattern* request)
{
    const MatchFn match = fontconfigMatch();
    const SubstituteFn substitute = fontconfigSubstitute();
    const Generation generation = generationOf(nullptr);
    FcPattern* substituted = FcPatternDuplicate(request);
    substitute(nullptr, substituted, FcMatchPattern);
    if (rewritable(substituted) && !substitutions.holds(request))
        substitutions.keep(FcPatternDuplicate(request), generation, FcPatternDuplicate(substituted), FcResultMatch);
    FcPatternDestroy(request);
    FcDefaultSubstitute(substituted);
    if (matches.holds(substituted)) {
        FcPatternDestroy(substituted);
        return;
    }
    FcResult result = FcResultNoMatch;
    FcPattern* matched = match(nullptr, substituted, &result);
    matches.keep(substituted, generation, matched, result);
}

}  // namespace

namespace FontMatches {

int keepAhead(const QString& family, std::span<const Face> faces)
{
    if (!fontconfigMatch() || !fontconfigSubstitute() || family.isEmpty()) return kept();
    const QByteArray name = family.toUtf8();
    // The family's upright faces of normal width, as the font list has them.
    FcPattern* query = FcPatternCreate();
    FcPatternAddString(query, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddInteger(query, FC_SLANT, FC_SLANT_ROMAN);
    FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_WIDTH, FC_SCALABLE, nullptr);
    FcFontSet* listed = FcFontList(nullptr, query, fields);
    FcObjectSetDestroy(fields);
    FcPatternDestroy(query);
    if (!listed) return kept();

    for (const Face& face : faces) {
        // Only a face of exactly the weight asked for: which one the font list picks otherwise
        // is its own choice, and a guess here would only make a match nobody asks for.
        const FcPattern* chosen = nullptr;
        for (int i = 0; i < listed->nfont; ++i) {
            const FcPattern* f = listed->fonts[i];
            double weight = 0;
            int width = FC_WIDTH_NORMAL;
            FcBool scalable = FcFalse;
            FcChar8* first = nullptr;
            if (FcPatternGetDouble(f, FC_WEIGHT, 0, &weight) != FcResultMatch) continue;
            FcPatternGetInteger(f, FC_WIDTH, 0, &width);
            FcPatternGetBool(f, FC_SCALABLE, 0, &scalable);
            // The family's primary name: a face listed under it only as a second name belongs
            // to another family of the font list.
            if (FcPatternGetString(f, FC_FAMILY, 0, &first) != FcResultMatch || name != reinterpret_cast<const char*>(first)) continue;
            if (!scalable || width != FC_WIDTH_NORMAL || std::lround(FcWeightToOpenTypeDouble(weight)) != face.weight) continue;
            if (chosen) {  // two faces of the one weight: the font list's choice, not ours
                chosen = nullptr;
                break;
            }
            chosen = f;
        }
        FcChar8* file = nullptr;
        int index = 0;
        if (!chosen || FcPatternGetString(chosen, FC_FILE, 0, &file) != FcResultMatch) continue;
        FcPatternGetInteger(chosen, FC_INDEX, 0, &index);

        keep(engineRequest(name, file, index, face.pixelSize));
    }
    FcFontSetDestroy(listed);
    return kept();
}

int keepAheadForData(const QString& family, double pixelSize)
{
    if (!fontconfigMatch() || !fontconfigSubstitute() || family.isEmpty()) return kept();
    // A face made from its data has no file: its engine asks by the face's family name and size.
    const QByteArray name = family.toUtf8();
    FcPattern* request = FcPatternCreate();
    FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddDouble(request, FC_PIXEL_SIZE, pixelSize);
    keep(request);
    return kept();
}

int kept() { return matches.count(); }

int taken() { return takenCount.load(std::memory_order_relaxed); }

int substituted() { return substitutedCount.load(std::memory_order_relaxed); }

void drop()
{
    matches.drop();
    substitutions.drop();
}

}  // namespace FontMatches
