#include "playlists/uFraPlayLists.h"

namespace orvanta {

TfraPlayLists::TfraPlayLists(QWidget* Parent) : TViewFrame(Parent) {
    setObjectName(QStringLiteral("fraPlayLists1"));
}

void TfraPlayLists::DoCommand(int Number) {
    (void)Number;
}

} // namespace orvanta
