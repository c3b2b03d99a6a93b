#ifndef APP_START_UP_H
#define APP_START_UP_H

// How the program starts. main() and the start-up benchmark both start this way, so that the
// benchmark measures what users wait for.
namespace StartUp {

// Lets the fixed 850 x 740 form grow with the desktop's scale setting (150%, 200%), fonts and
// geometry alike, and draws pictures at the screen's own pixel density. Without it, Qt 5 lays the
// form out at 100% while its text follows the desktop, so text is crowded or cut off. At 100%
// nothing changes. Call before the application object is made.
void enableHighDpiScaling();

} // namespace StartUp

#endif // APP_START_UP_H
