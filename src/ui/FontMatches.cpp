#include "ui/FontMatches.h"

#include <QByteArray>

#include <fontconfig/fontconfig.h>

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

using MatchFn = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);

MatchFn fontconfigMatch()
{
    // The definition below stands in for fontconfig's in this process; the library's own is
    // the next one of that name.
    static const MatchFn next = reinterpret_cast<MatchFn>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return next;
}

// What a match depends on besides the request: the configuration, its installed faces and the
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

struct Kept {
    FcPattern* request;
    FcChar32 hash;
    Generation generation;
    FcPattern* match;
    FcResult result;
};

std::mutex keptLock;
std::vector<Kept> keptMatches;
std::atomic<int> keptCount{0};
std::atomic<int> takenCount{0};

void destroy(Kept& k)
{
    FcPatternDestroy(k.request);
    if (k.match) FcPatternDestroy(k.match);
}

// A kept match for `request`, handed over (each serves one request), or null.
FcPattern* take(FcConfig* config, FcPattern* request, FcResult* result)
{
    if (keptCount.load(std::memory_order_acquire) == 0) return nullptr;
    const FcChar32 hash = FcPatternHash(request);
    const Generation now = generationOf(config);
    std::lock_guard lock(keptLock);
    for (auto it = keptMatches.begin(); it != keptMatches.end();) {
        if (it->generation != now) {
            destroy(*it);
            it = keptMatches.erase(it);
            continue;
        }
        if (it->hash == hash && FcPatternEqual(it->request, request)) {
            FcPattern* match = it->match;
            if (result) *result = it->result;
            FcPatternDestroy(it->request);
            keptMatches.erase(it);
            keptCount.store(int(keptMatches.size()), std::memory_order_release);
            takenCount.fetch_add(1, std::memory_order_relaxed);
            return match;
        }
        ++it;
    }
    keptCount.store(int(keptMatches.size()), std::memory_order_release);
    return nullptr;
}

// The request a font engine makes for the face in `file`: the family, the face's file and
// index and the pixel size, completed by the configuration's rules and defaults.
FcPattern* engineRequest(const QByteArray& family, const FcChar8* file, int index, double pixelSize)
{
    FcPattern* p = FcPatternCreate();
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddString(p, FC_FILE, file);
    FcPatternAddInteger(p, FC_INDEX, index);
    FcPatternAddDouble(p, FC_PIXEL_SIZE, pixelSize);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    return p;
}

}  // namespace

extern "C" FcPattern* FcFontMatch(FcConfig* config, FcPattern* p, FcResult* result)
{
    if (FcPattern* kept = take(config, p, result)) return kept;
    const MatchFn next = fontconfigMatch();
    if (!next) {
        if (result) *result = FcResultNoMatch;
        return nullptr;
    }
    return next(config, p, result);
}

namespace FontMatches {

int keepAhead(const QString& family, std::span<const Face> faces)
{
    const MatchFn next = fontconfigMatch();
    if (!next || family.isEmpty()) return kept();
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

        FcPattern* request = engineRequest(name, file, index, face.pixelSize);
        const FcChar32 hash = FcPatternHash(request);
        {
            std::lock_guard lock(keptLock);
            bool already = false;
            for (const Kept& k : keptMatches) already = already || (k.hash == hash && FcPatternEqual(k.request, request));
            if (already) {
                FcPatternDestroy(request);
                continue;
            }
        }
        const Generation generation = generationOf(nullptr);
        FcResult result = FcResultNoMatch;
        FcPattern* match = next(nullptr, request, &result);
        std::lock_guard lock(keptLock);
        keptMatches.push_back({request, hash, generation, match, result});
        keptCount.store(int(keptMatches.size()), std::memory_order_release);
    }
    FcFontSetDestroy(listed);
    return kept();
}

int kept() { return keptCount.load(std::memory_order_acquire); }

int taken() { return takenCount.load(std::memory_order_relaxed); }

void drop()
{
    std::lock_guard lock(keptLock);
    for (Kept& k : keptMatches) destroy(k);
    keptMatches.clear();
    keptCount.store(0, std::memory_order_release);
}

}  // namespace FontMatches
