#pragma once

#include "shell/uViewFrame.h"

namespace orvanta {

// The "My Music" view: the library list with its filter.
class TfraMedia : public TViewFrame {
    Q_OBJECT
public:
    explicit TfraMedia(QWidget* Parent = nullptr);
    void DoCommand(int Number) override;
};

} // namespace orvanta
