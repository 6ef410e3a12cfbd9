#include "ui/common/uResources.h"

#include <QtGlobal>

static void initOrvantaResources() {
    Q_INIT_RESOURCE(orvanta);
}

namespace orvanta {

void EnsureResources() {
    static const bool registered = (initOrvantaResources(), true);
    (void)registered;
}

} // namespace orvanta
