#ifndef APP_START_UP_H
#define APP_START_UP_H

#include <memory>

class Electronic_Clock;

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

// All that comes before the application object: the two settings above.
void prepareApplication();

// The program's window, as the program opens it: with the application's window icon and desktop
// file name set. Call after the application object is made; the window must not outlive it.
std::unique_ptr<Electronic_Clock> makeProgramWindow();

} // namespace StartUp

#endif // APP_START_UP_H
