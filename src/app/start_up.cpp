// How the program starts: high-DPI scaling, no OpenGL, and the work of the first frame spread
// over two cores.
//
// Most of start-up is the main thread's alone: loading Qt, connecting to the display, building the
// form, creating the native window and painting it. Meanwhile the second core is idle. Some of the
// first frame's work needs nothing from the main thread, so it runs there instead: fontconfig's
// set-up while Qt loads, then Qt's list of fonts, the custom preview and the window icon while the
// form is built, and the style previews in view while the window is connected to the screen. The
// main thread picks the pictures up when it needs them, instead of decoding them itself.

#include "start_up.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLibrary>
#include <QMutex>
#include <QPixmap>
#include <QScrollArea>
#include <QThread>
#include <QVBoxLayout>
#include <QWaitCondition>

#include <algorithm>
#include <functional>
#include <list>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "electronic_clock.h"
#include "style_catalogue.h"

namespace StartUp {

namespace {

// A thread that runs one function. (QThread::create() would do, but needs std::future, which
// MinGW's win32 thread model lacks.)
class FunctionThread : public QThread
{
public:
    explicit FunctionThread(std::function<void()> function)
        : function(std::move(function))
    { }

protected:
    void run() override { function(); }

private:
    std::function<void()> function;
};

} // namespace

void enableHighDpiScaling()
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#if defined(Q_OS_WIN) && QT_VERSION >= QT_VERSION_CHECK(5, 14, 0)
    // 150% stays 150%. Qt 5 would round it to 200%, and the 740-pixel window would no longer fit
    // on the 1080-pixel screens where 150% is the usual setting; 125% would stay at 100% with
    // its text at 125%. Windows' settings come in steps of 25%, which scale cleanly. Elsewhere
    // Qt's rounding stays: X11 servers often report DPIs such as 100, which would scale by 1.04.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
            Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

void drawWithoutOpenGl()
{
    // Read by Qt's X11 support as it makes the first window; windows made later keep its choice.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

void prepareApplication()
{
    enableHighDpiScaling();
    drawWithoutOpenGl();
}

FontConfigWarmUp::FontConfigWarmUp()
{
    // Resolved here, on the main thread: a QLibrary is a QObject, and the first thread to make one
    // becomes Qt's main thread. The library stays loaded, and Qt's font database uses the same one.
    using Init = int (*)();
    const auto init
            = reinterpret_cast<Init>(QLibrary::resolve(QStringLiteral("fontconfig"), 1, "FcInit"));
    // fontconfig is thread-safe: should Qt get there first, it sets itself up and this one's
    // result is dropped.
    if (init) {
        thread = std::make_unique<FunctionThread>(init);
        thread->start();
    }
}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait() const
{
    if (thread)
        thread->wait();
}

// On a thread of its own: first Qt's font database, then the pictures asked for, one after
// another.
class Prefetch
{
public:
    explicit Prefetch(const FontConfigWarmUp &fontConfig)
        : worker(std::make_unique<FunctionThread>([this, &fontConfig] {
            loadFontDatabase(fontConfig);
            run();
        }))
    {
        worker->start();
    }

    ~Prefetch()
    {
        {
            const QMutexLocker lock(&mutex);
            stopping = true;
        }
        changed.wakeAll();
        worker->wait();
    }

    void request(const QString &path, const QSize &size = QSize())
    {
        {
            const QMutexLocker lock(&mutex);
            jobs.push_back({path, size, Job::Queued, QImage()});
        }
        changed.wakeAll();
    }

    QImage take(const QString &path, const QSize &size)
    {
        const QMutexLocker lock(&mutex);
        const auto job = std::find_if(jobs.begin(), jobs.end(), [&](const Job &entry) {
            return entry.path == path && entry.size == size;
        });
        if (job == jobs.end())
            return QImage();
        while (job->state != Job::Done)
            changed.wait(&mutex);
        QImage picture = std::move(job->picture);
        jobs.erase(job);
        return picture;
    }

private:
    struct Job
    {
        QString path;
        QSize size;
        enum { Queued, Decoding, Done } state;
        QImage picture;
    };

    // Decoded and scaled as QImage(path) and an icon's smooth scaling do it, so the pixels are the
    // ones that the main thread would have made.
    static QImage decode(const QString &path, const QSize &size)
    {
        QImage picture;
        picture.load(path);
        if (size.isValid() && !picture.isNull() && picture.size() != size)
            picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return picture;
    }

    // Qt lists every font that fontconfig knows the first time a font is looked up, once for all
    // threads. The main thread would do it as the form's first text is measured; done here, it
    // overlaps with the form being built. (Qt 5 supports fonts outside the GUI thread.)
    static void loadFontDatabase(const FontConfigWarmUp &fontConfig)
    {
        fontConfig.wait(); // else Qt would set fontconfig up a second time
        const QFontDatabase database;
    }

    // Gives the memory that this thread's decoding freed back to the system. glibc keeps a heap for
    // each thread, which the main thread does not reuse: scrolling the style column, which decodes
    // on the main thread, would add its own on top, 1.5 MB more at its peak.
    static void releaseFreedMemory()
    {
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
    }

    void run()
    {
        QMutexLocker lock(&mutex);
        bool freedMemoryReleased = true;
        while (!stopping) {
            const auto job = std::find_if(jobs.begin(), jobs.end(), [](const Job &entry) {
                return entry.state == Job::Queued;
            });
            if (job == jobs.end()) {
                if (freedMemoryReleased) {
                    changed.wait(&mutex);
                } else {
                    lock.unlock();
                    releaseFreedMemory();
                    lock.relock();
                    freedMemoryReleased = true;
                }
                continue;
            }
            // take() waits for a job to be done before it removes it, so `job` stays valid.
            job->state = Job::Decoding;
            const QString path = job->path;
            const QSize size = job->size;
            lock.unlock();
            QImage picture = decode(path, size);
            lock.relock();
            job->picture = std::move(picture);
            job->state = Job::Done;
            freedMemoryReleased = false;
            changed.wakeAll();
        }
    }

    QMutex mutex;
    QWaitCondition changed;
    std::list<Job> jobs; // a list, so that a job stays where it is while it decodes
    bool stopping = false;
    const std::unique_ptr<QThread> worker; // last, so that it starts once the members above exist
};

namespace {

Prefetch *currentPrefetch = nullptr; // the ProgramWindow's, while it lives

const QString windowIconPath = QStringLiteral(":/icon/electronic_clock.png");

// A picture fitted into `bounds` as an icon fits it: shrunk, with its shape kept, never enlarged.
QSize fitted(QSize picture, const QSize &bounds)
{
    if (picture.width() > bounds.width() || picture.height() > bounds.height())
        picture.scale(bounds, Qt::KeepAspectRatio);
    return picture;
}

// The previews of the style buttons that the first frame shows, at the size that each button will
// ask its icon for. Each decode costs a few milliseconds of the second core, which the main thread
// also needs while it creates the window, so only the buttons in view are asked for.
void requestStylePreviewsInView(Prefetch &prefetch, QWidget &window)
{
    auto *scrollArea = window.findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    auto *column = window.findChild<QVBoxLayout *>(QStringLiteral("verticalLayout"));
    if (!scrollArea || !column)
        return;
    // Places the buttons where showing the window would place them first thing, so that the ones
    // in view are known. The column starts at the top of its scroll area.
    column->activate();
    const int visibleBottom = qMin(window.height(),
                                   scrollArea->mapTo(&window, QPoint()).y() + scrollArea->height());
    // With AA_UseHighDpiPixmaps a button asks for its icon at the screen's pixel density.
    const qreal pixelRatio
            = qApp->testAttribute(Qt::AA_UseHighDpiPixmaps) ? window.devicePixelRatioF() : 1.0;
    const QString namePrefix = QStringLiteral("pushButtonJPG");
    for (int i = 0; i < column->count(); ++i) {
        const auto *button = qobject_cast<QAbstractButton *>(column->itemAt(i)->widget());
        if (!button || button->mapTo(&window, QPoint()).y() >= visibleBottom)
            continue;
        const int style = button->objectName().startsWith(namePrefix)
                ? button->objectName().mid(namePrefix.size()).toInt()
                : 0;
        const QSize picture = button->icon().availableSizes().value(0);
        if (style < StyleCatalogue::firstStyle || style > StyleCatalogue::lastStyle
            || picture.isEmpty())
            continue;
        prefetch.request(StyleCatalogue::previewPath(style),
                         fitted(picture, button->iconSize() * pixelRatio));
    }
}

} // namespace

ProgramWindow::ProgramWindow(const FontConfigWarmUp &fontConfig)
    : prefetch(std::make_unique<Prefetch>(fontConfig))
{
    currentPrefetch = prefetch.get();
    // The constructor loads the custom preview first thing after building the form.
    prefetch->request(StyleCatalogue::customPreviewPath());
    prefetch->request(windowIconPath);
    // Lets the desktop match the window to the entry that desktop/install-desktop-entry.sh writes.
    QGuiApplication::setDesktopFileName(QStringLiteral("electronic_clock"));
    // Where Qt starts quickly (no display server to connect to), the set-up may still run.
    fontConfig.wait();
    clockWindow = std::make_unique<Electronic_Clock>();
    // Set once the window is built, so that its picture decoded meanwhile; before the window shows,
    // so that it has the icon from the start.
    const QImage icon = takePrefetched(windowIconPath);
    QApplication::setWindowIcon(icon.isNull() ? QIcon(windowIconPath)
                                              : QIcon(QPixmap::fromImage(icon)));
    // Decoded while the main thread connects the window to the screen and paints the rest of it.
    requestStylePreviewsInView(*prefetch, *clockWindow);
}

ProgramWindow::~ProgramWindow()
{
    clockWindow.reset();
    currentPrefetch = nullptr;
}

QImage takePrefetched(const QString &path, const QSize &size)
{
    return currentPrefetch ? currentPrefetch->take(path, size) : QImage();
}

} // namespace StartUp
