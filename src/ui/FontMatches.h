#pragma once

#include <QString>

#include <functional>
#include <span>

// Every font engine Qt makes asks fontconfig for the best match of its face, only to read the
// face's rendering options from it (antialiasing, hinting, subpixel order): each a comparison
// against every installed face, about as costly as the rest of the engine's set-up together.
// Qt keeps engines per thread, so the interface thread makes its own whatever a worker has
// made; fontconfig keeps no result at all. The matches of faces the first page will load can be
// made ahead on a worker instead, and each kept for the first identical request, on any thread.
// A kept match is the very one fontconfig gives for that request while the font configuration
// and the application's own faces stay as they were; if either changes, it is dropped unused.
namespace FontMatches {

struct Face {
    int weight;  // QFont::Weight
    int pixelSize;
};

// On the calling thread, any thread, once fontconfig's configuration is loaded: makes the match
// each face of `family` will ask for and keeps it. Faces the family does not hold exactly are
// left for their engines to match as usual. Returns how many matches are kept now.
int keepAhead(const QString& family, std::span<const Face> faces);

// Matches kept and not taken yet; and how many requests were answered by a kept match.
int kept();
int taken();

// Lets go of every match kept.
void drop();

}  // namespace FontMatches
