#include "library/uFraMedia.h"

namespace orvanta {

TfraMedia::TfraMedia(QWidget* Parent) : TViewFrame(Parent) {
    setObjectName(QStringLiteral("fraMedia1"));
}

void TfraMedia::DoCommand(int Number) {
    (void)Number;
}

} // namespace orvanta
