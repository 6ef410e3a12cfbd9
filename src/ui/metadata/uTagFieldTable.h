#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "core/metadata/uAudioInfo.h"

class QPushButton;
class QTableWidget;

namespace orvanta {

// Every field of a file's tag, one line per value: its raw key and the value, both editable,
// with buttons that add a line and remove the chosen one. The lines live in the editor's model;
// this only shows them and says what the user did.
class TTagFieldTable : public QWidget {
    Q_OBJECT
public:
    explicit TTagFieldTable(QWidget* Parent = nullptr);

    // Shows Lines, keeping the current cell where it still exists.
    void ShowLines(const TTagEntries& Lines);
    // Read-only lines: a tag the editor does not write field by field. EditableKey, when given,
    // tells the lines the user may change from those shown only.
    void SetEditable(bool Editable, std::function<bool(const std::string&)> EditableKey = {});

    QTableWidget* lvwFields = nullptr;
    QPushButton* cmdAddLine = nullptr;
    QPushButton* cmdRemoveLine = nullptr;

signals:
    void LineChanged(int Row, const std::string& Key, const std::string& Value);
    void LineAdded();
    void LineRemoved(int Row);

private:
    bool FShowing = false;
    std::function<bool(const std::string&)> FEditableKey;
    std::vector<bool> FEditableRows;
};

} // namespace orvanta
