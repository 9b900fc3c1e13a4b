#include "ui/TextFamily.h"

#include "ui/Symbols.h"

#include <QFontDatabase>

namespace TextFamily {

QString family()
{
    static const QString family = [] {
        // The symbols' face is registered before the first text face is loaded: registering
        // a face empties Qt's font cache, and every face loaded before it would be loaded again.
        Symbols::loadedFamily();
        const QString preferred = QStringLiteral("Lato");
        // Looked up among the installed families: QFontDatabase::hasFamily first asks
        // fontconfig to resolve the name as an alias, a match against every face installed.
        return QFontDatabase::families().contains(preferred) ? preferred
                                                             : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

}  // namespace TextFamily
