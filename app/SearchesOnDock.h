#pragma once

class Form1;
class LauncherBadge;

// Shows the result list's count on the program's dock entry during each
// search of the window, and the window's activation that ends a call for
// attention. Both must live as long as the application.
void showSearchesOnDock(Form1& form, LauncherBadge& badge);
