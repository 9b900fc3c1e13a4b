#include "ui/FirstUse.h"

#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QBackingStore>
#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

#include <iterator>

namespace FirstUse {

bool prepareNext()
{
    using S = Theme::TextStyle;
    // The overview's faces, in the order its build first measures them (hero, score, tiles,
    // pills, cards, section titles).
    static QFont (*const faces[])() = {
        [] { return Theme::font(S::title, QFont::DemiBold); },
        [] { return Theme::font(S::title3); },
        [] { return Theme::font(S::callout, QFont::Medium); },
        [] { return Theme::font(S::callout); },
        [] { return Theme::systemFont(24, QFont::Bold); },
        [] { return Theme::font(S::caption); },
        [] { return Theme::font(S::callout, QFont::DemiBold); },
        [] { return Theme::font(S::title2, QFont::Bold); },
        [] { return Theme::font(S::headline); },
    };
    static size_t next = 0;
    if (next >= std::size(faces)) return false;
    // Measuring a text loads the face and its shaper.
    QFontMetricsF(faces[next++]()).horizontalAdvance(QStringLiteral("0"));
    return true;
}

void prepareWindowBuffer(QWidget& window)
{
    QBackingStore* store = window.backingStore();
    if (!store) return;
    // Made now at the size the first paint asks for, the store is the one that paint uses.
    if (store->size() != window.size()) store->resize(window.size());
    QPaintDevice* device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image) return;
    const auto* image = static_cast<const QImage*>(device);
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = uintptr_t(image->constBits()) & ~(page - 1);
    const auto end = uintptr_t(image->constBits()) + uintptr_t(image->sizeInBytes());
    if (!begin || end <= begin) return;
    // Every page of it is written by the first paint, which covers the whole window: faulted
    // in at once they cost a tenth as much as one by one, and off this thread, which builds
    // the first page meanwhile. Should the store go before this runs, the call fails harmlessly.
    auto populate = [begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); };
    QThreadPool::globalInstance()->start(populate);
}

}  // namespace FirstUse
