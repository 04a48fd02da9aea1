#pragma once

namespace ormix::ui {

// For the documentation: with ORMIX_SCREENSHOT=file.png the program connects, waits
// ORMIX_SCREENSHOT_DELAY ms (default 4000), shows the page named by ORMIX_SCREENSHOT_PAGE
// (TabSheet1 when unset; a page inside a page too), saves a picture of the main window and
// exits. ORMIX_SCREENSHOT_CLICK names buttons pressed a second after the connect.
class TFormMain;
void ScheduleScreenshotFromEnvironment(TFormMain *form);

} // namespace ormix::ui
