#pragma once

#include <QWidget>

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
    // Read-only lines: a tag the editor does not write field by field.
    void SetEditable(bool Editable);

    QTableWidget* lvwFields = nullptr;
    QPushButton* cmdAddLine = nullptr;
    QPushButton* cmdRemoveLine = nullptr;

signals:
    void LineChanged(int Row, const std::string& Key, const std::string& Value);
    void LineAdded();
    void LineRemoved(int Row);

private:
    bool FShowing = false;
};

} // namespace orvanta
