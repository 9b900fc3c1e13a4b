#pragma once

#include <QString>

#include <span>

// Every font engine Qt makes asks fontconfig for the best match of its face, only to read the
// face's rendering options from it (antialiasing, hinting, subpixel order): each a comparison
// against every installed face, about as costly as the rest of the engine's set-up together.
// Qt keeps engines per thread, so the interface thread makes its own whatever a worker has
// made; fontconfig keeps no result at all. The matches of faces the first page will load can be
// made ahead on a worker instead, and each kept for the first identical request, on any thread;
// so are the configuration's rules applied to each request before its match. A kept answer is
// the very one fontconfig gives for that request while the font configuration and the
// application's own faces stay as they were; if either changes, it is dropped unused.
namespace FontMatches {

struct Face {
    int weight;  // QFont::Weight
    int pixelSize;
};

// On the calling thread, any thread, once fontconfig's configuration is loaded: makes the match
// each face of `family` will ask for and keeps it. Faces the family does not hold exactly are
// left for their engines to match as usual. Returns how many matches are kept now.
int keepAhead(const QString& family, std::span<const Face> faces);

// The same for a face loaded from its data (a raw font) whose family is `family`.
int keepAheadForData(const QString& family, double pixelSize);

// Matches kept and not taken yet; how many requests for a match were answered by a kept one;
// and how many of the configuration's substitutions before them (the rules applied to the
// request, kept beside each match).
int kept();
int taken();
int substituted();

// Lets go of every match kept.
void drop();

}  // namespace FontMatches
