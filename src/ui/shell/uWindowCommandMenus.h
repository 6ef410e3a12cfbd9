#pragma once

namespace orvanta {

class TfrmMain;

// Puts the tool bars' commands that no menu item runs into the Edit menu (each view's in a
// group of its own), sharing the buttons' actions: every command is reached from the keyboard
// through the menus, as the buttons are not in the Tab order.
void AddToolCommandsToMenus(TfrmMain& Window);

} // namespace orvanta
