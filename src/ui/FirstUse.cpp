#include "ui/FirstUse.h"

#include "ui/FontMatches.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

namespace FirstUse {

namespace {

using S = Theme::TextStyle;
// The overview's faces, in the order its build first measures them (hero, score, tiles, pills,
// cards, section titles).
QFont (*const faces[])() = {
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

size_t next = 0;

}  // namespace

int facesLeft() { return int(std::size(faces) - next); }

bool prepareNext()
{
    if (next >= std::size(faces)) return false;
    // Measuring a text loads the face and its shaper.
    QFontMetricsF(faces[next++]()).horizontalAdvance(QStringLiteral("0"));
    return true;
}

void prepareUntilExposed(QWindow& window)
{
    QTimer::singleShot(0, &window, [w = &window] {
        if (!w->isExposed() && prepareNext()) prepareUntilExposed(*w);
    });
}

int matchFacesAhead()
{
    std::vector<FontMatches::Face> wanted;
    QString family;
    for (auto face : faces) {
        const QFont f = face();
        family = f.family();
        wanted.push_back({f.weight(), f.pixelSize()});
    }
    // And the window's own faces before the page: the body style (search field, sidebar), the
    // symbols' outlines, and the standard controls' font by the family the font list resolves
    // it to.
    const QFont body = Theme::font(S::body);
    wanted.push_back({body.weight(), body.pixelSize()});
    FontMatches::keepAhead(family, wanted);
    Symbols::matchOutlineFaceAhead();
    const QFont controls;
    const QFontInfo resolved(controls);
    const FontMatches::Face standard[] = {{resolved.weight(), resolved.pixelSize()}};
    return FontMatches::keepAhead(resolved.family(), standard);
}

namespace {

// The worker's hold on the window's buffer: it touches the pages only while the buffer is sure
// to be there, that is until the window paints, resizes, hides or goes (whichever comes first),
// when the interface thread stops it and waits for the page in hand.
struct BufferTouch {
    std::mutex lock;
    std::condition_variable ended;
    bool stopped = false;
    bool running = false;
    std::atomic<bool> stop{false};

    // On the worker: false once the window has let go of the buffer.
    bool begin()
    {
        std::lock_guard hold(lock);
        running = !stopped;
        return running;
    }
    void end()
    {
        std::lock_guard hold(lock);
        running = false;
        ended.notify_all();
    }
    // On the interface thread: from here the worker no longer touches the buffer.
    void finish()
    {
        std::unique_lock hold(lock);
        stopped = true;
        stop.store(true, std::memory_order_relaxed);
        ended.wait(hold, [this] { return !running; });
    }
};

class BufferGuard : public QObject {
public:
    BufferGuard(QWidget& window, std::shared_ptr<BufferTouch> touch) : QObject(&window), touch_(std::move(touch))
    {
        window.installEventFilter(this);
    }
    ~BufferGuard() override { touch_->finish(); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Paint:
        case QEvent::Resize:
        case QEvent::Hide:
        case QEvent::Close:
        case QEvent::WindowStateChange:
        case QEvent::PlatformSurface:
            touch_->finish();
            watched->removeEventFilter(this);
            deleteLater();
            break;
        default: break;
        }
        return false;
    }

private:
    std::shared_ptr<BufferTouch> touch_;
};

}  // namespace

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
    const auto bits = uintptr_t(image->constBits());
    const auto begin = bits & ~(page - 1);
    const auto end = bits + uintptr_t(image->sizeInBytes());
    if (!bits || end <= bits) return;
    // Every page of it is written by the first paint, which covers the whole window, and each
    // page's first write costs twice: the kernel's fault, and on this virtual machine the first
    // store through the new mapping. Both are paid here, off this thread, while it builds the
    // first page: the faults at once (a tenth of their cost one by one), then one store a page
    // that leaves its contents as they are, whoever writes them meanwhile. The window's own
    // background paint then fills mapped memory.
    auto touch = std::make_shared<BufferTouch>();
    new BufferGuard(window, touch);
    QThreadPool::globalInstance()->start([touch, bits, begin, end, page] {
        if (!touch->begin()) return;
        // The advice starts at the page boundary below the image (it changes no byte); the
        // stores stay inside the image, whose first page it may share with other memory.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
        for (uintptr_t at = bits; at + sizeof(std::uint32_t) <= end && !touch->stop.load(std::memory_order_relaxed);
             at = (at & ~(page - 1)) + page)
            std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(at)).fetch_or(0, std::memory_order_relaxed);
        touch->end();
    });
}

}  // namespace FirstUse
