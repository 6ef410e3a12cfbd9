#pragma once

class QMenu;
class QMenuBar;

namespace orvanta {

// Gives every item of Menu (and of its submenus) an access key: the first letter of its
// caption that no other item of the same menu uses yet. Keys already chosen stay.
void AddAccessKeys(QMenu& Menu);
// The same for the menu bar's titles and every menu under them.
void AddAccessKeys(QMenuBar& Bar);

} // namespace orvanta
