#ifndef APP_START_UP_H
#define APP_START_UP_H

#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

class Electronic_Clock;
class QThread;

// How the program starts. main() and the start-up benchmark both start this way, so that the
// benchmark measures what users wait for.
namespace StartUp {

// Lets the fixed 850 x 740 form grow with the desktop's scale setting (150%, 200%), fonts and
// geometry alike, and draws pictures at the screen's own pixel density. Without it, Qt 5 lays the
// form out at 100% while its text follows the desktop, so text is crowded or cut off. At 100%
// nothing changes. Call before the application object is made.
void enableHighDpiScaling();

// The window draws with the processor alone and never with OpenGL. On X11, Qt would still load the
// OpenGL libraries as the first window is made, only to choose its visual: on Debian that pulls in
// the Mesa driver and LLVM, 30 to 40 ms and 50 MB before the window shows. Tells Qt not to, unless
// the environment already makes that choice (QT_XCB_GL_INTEGRATION). Elsewhere it changes nothing.
// Call before the application object is made.
void drawWithoutOpenGl();

// All that comes before the application object: the two settings above. main() and the start-up
// benchmark both call this, so that they cannot drift apart.
void prepareApplication();

// On the systems where Qt finds fonts through fontconfig (Linux, the BSDs), runs fontconfig's
// set-up on a second thread: Qt would run it on the main thread as the form's first text is
// measured, and it takes about a tenth of start-up, reading fontconfig's configuration files and
// font cache. It needs nothing of Qt, so it runs while Qt loads and connects to the display. Make
// it before the application object. Where there is no fontconfig, it does nothing.
class FontConfigWarmUp
{
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();

    // Waits for the set-up to end. Call before Qt's fonts are first used: Qt would not wait, but
    // set fontconfig up a second time alongside.
    void wait() const;

private:
    std::unique_ptr<QThread> thread;
};

class Prefetch;

// The program's window, as the program opens it: with the application's window icon and desktop
// name set, and with work of its first frame done on a second thread while the main thread builds
// the window and connects it to the screen: Qt's list of fonts, the custom preview, the window
// icon and the style previews in view. Make it after the application object; it must not outlive
// it, and `fontConfig` must outlive it. It waits for `fontConfig` before it builds the window.
class ProgramWindow
{
public:
    explicit ProgramWindow(const FontConfigWarmUp &fontConfig);
    ~ProgramWindow(); // waits for a picture still being decoded

    Electronic_Clock &window() { return *clockWindow; }

private:
    std::unique_ptr<Prefetch> prefetch;
    std::unique_ptr<Electronic_Clock> clockWindow;
};

// A picture that ProgramWindow decodes ahead: QImage(path), then smooth-scaled to `size` as an
// icon scales its picture when `size` is valid and differs. Each one is handed out once, waiting
// for it if it is not decoded yet; a null image means that it was not asked for ahead, so the
// caller decodes it itself. Main thread only.
QImage takePrefetched(const QString &path, const QSize &size = QSize());

} // namespace StartUp

#endif // APP_START_UP_H
